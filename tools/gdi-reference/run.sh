#!/bin/bash
# Builds gdiref.exe with mingw-w64 and runs it under Wine, writing the GDI
# reference data that tests/render/GdiReferenceTest.cpp compares the text
# engine with:
#   tests/data/gdi/arial.txt          font, height and width records
#   tests/data/gdi/arial-bitmaps.txt  one-drawing pixel masks
#   tests/data/gdi/arial-decorations.txt  the same for underline and strike-out
#
# Needs (Debian 12; only for regenerating the data, not for the tests):
#   apt-get install gcc-mingw-w64-x86-64 wine64 wine fonts-liberation
#
# "Arial" must be realised with Liberation Sans. Wine's font engine finds the
# system fonts through fontconfig; a fresh prefix has no font of that name, and
# Wine 8 already falls back to Liberation Sans for it, but the script does not
# rely on that: it registers the substitute the Windows way, as
#   HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes
#   "Arial" = "Liberation Sans"
# The records carry the face Wine reports (GetTextFace) and the family name
# of the file it used (GetOutlineTextMetrics); the script stops if they are
# not Liberation Sans.
#
# Runs headless: a fresh WINEPREFIX under /tmp, no display (GDI memory
# device contexts need none).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/tests/data/gdi}
work=$(mktemp -d /tmp/gdiref.XXXXXX)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

x86_64-w64-mingw32-gcc -std=c99 -O2 -Wall -Wextra -o "$work/gdiref.exe" "$here/gdiref.c" -lgdi32

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
unset DISPLAY WAYLAND_DISPLAY
wineboot --init >/dev/null 2>&1 || true
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
wineserver -w
(cd "$work" && wine gdiref.exe measures.txt bitmaps.txt decorations.txt) </dev/null
wineserver -w

wine_version=$(wine --version)
liberation=$(dpkg-query -W -f='${Version}' fonts-liberation 2>/dev/null || echo unknown)
font_file=$(fc-match -f '%{file}' 'Arial')
font_version=$(fc-query -f '%{fontversion}' "$font_file" | head -n1)
mingw=$(x86_64-w64-mingw32-gcc -dumpversion)

# The family of every font used (the second quoted field of the font
# records) must be Liberation Sans, or the data is not what the tests think.
if grep '^F ' "$work/measures.txt" | cut -d'"' -f4 | grep -vx 'Liberation Sans' >/dev/null; then
    echo "Wine did not realise Arial as Liberation Sans:" >&2
    grep '^F ' "$work/measures.txt" | head -n3 >&2
    exit 1
fi

header() {
    cat <<EOF
# GDI reference data: Arial (served by Liberation Sans) through the Windows
# text API, produced by tools/gdi-reference/run.sh (gdiref.c built with
# mingw-w64 gcc $mingw and run under $wine_version, headless, fresh prefix).
# fonts-liberation $liberation; fontconfig's match for Arial: $(basename "$font_file"), font
# version $font_version (fontconfig units of 1/65536).
# Record formats are described at the top of tools/gdi-reference/gdiref.c.
EOF
}
mkdir -p "$out"
{ header; cat "$work/measures.txt"; } >"$out/arial.txt"
{ header; cat "$work/bitmaps.txt"; } >"$out/arial-bitmaps.txt"
{ header; cat "$work/decorations.txt"; } >"$out/arial-decorations.txt"
echo "wrote $out/arial.txt ($(grep -c '^M ' "$out/arial.txt") measures)," \
    "$out/arial-bitmaps.txt ($(grep -c '^B ' "$out/arial-bitmaps.txt") bitmaps)," \
    "$out/arial-decorations.txt ($(grep -c '^B ' "$out/arial-decorations.txt") bitmaps)"
