#!/bin/bash
# Builds gdiwide.exe with mingw-w64 and runs it under Wine, writing the GDI
# reference data for Unicode text that tests/render/GdiWideReferenceTest.cpp
# compares the text engine with:
#   tests/data/gdi/arial-wide.txt   extents and one-drawing pixel masks
#
# The prefix and the "Arial" = "Liberation Sans" substitute are set up as in
# run.sh (see there); this script stops unless the face is Liberation Sans.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${1:-$root/tests/data/gdi}
work=$(mktemp -d /tmp/gdiwide.XXXXXX)
trap 'WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

x86_64-w64-mingw32-gcc -std=c99 -O2 -Wall -Wextra -o "$work/gdiwide.exe" "$here/gdiwide.c" -lgdi32

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
unset DISPLAY WAYLAND_DISPLAY
wineboot --init >/dev/null 2>&1 || true
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
wineserver -w
(cd "$work" && wine gdiwide.exe wide.txt) </dev/null
wineserver -w

if grep '^F ' "$work/wide.txt" | cut -d'"' -f4 | grep -vx 'Liberation Sans' >/dev/null; then
    echo "Wine did not realise Arial as Liberation Sans:" >&2
    grep '^F ' "$work/wide.txt" | head -n3 >&2
    exit 1
fi

font_file=$(fc-match -f '%{file}' 'Arial')
mkdir -p "$out"
{
    cat <<HEADER
# GDI reference data for Unicode text: Arial (served by Liberation Sans)
# through the wide-character text API (CreateFontW, GetTextExtentPoint32W,
# TextOutW), produced by tools/gdi-reference/run-wide.sh (gdiwide.c built with
# mingw-w64 gcc $(x86_64-w64-mingw32-gcc -dumpversion) and run under $(wine --version), headless, fresh prefix).
# fontconfig's match for Arial: $(basename "$font_file").
# Record formats are described at the top of tools/gdi-reference/gdiwide.c.
HEADER
    cat "$work/wide.txt"
} >"$out/arial-wide.txt"
echo "wrote $out/arial-wide.txt ($(grep -c '^B ' "$out/arial-wide.txt") drawings)"
