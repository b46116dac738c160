#!/usr/bin/env bash
# make install DESTDIR=... puts the program, a valid desktop entry, the icon
# and the manual page under PREFIX, and the installed program converts.
set -euo pipefail
program=$1
src=$2
build=$(dirname "$program")
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "install: $*" >&2; exit 1; }

make -s -C "$src" install BUILD="$build" DESTDIR="$dest" >/dev/null
prefix=$dest/usr/local
[ -x "$prefix/bin/glyphon" ] || fail "no program in PREFIX/bin"
desktop=$prefix/share/applications/glyphon.desktop
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=glyphon %f' "$desktop" || fail "desktop entry does not pass the file"
grep -qx 'MimeType=application/x-subrip;text/x-microdvd;' "$desktop" || fail "MIME types"
grep -qx 'Categories=AudioVideo;Video;' "$desktop" || fail "categories"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/glyphon.svg" || fail "no icon"
grep -q '^\.TH GLYPHON 1' "$prefix/share/man/man1/glyphon.1" || fail "no manual page"

# Another PREFIX.
make -s -C "$src" install BUILD="$build" DESTDIR="$dest/other" PREFIX=/usr >/dev/null
[ -x "$dest/other/usr/bin/glyphon" ] || fail "PREFIX=/usr not honoured"

# The installed program needs nothing from the source tree, and a
# command-line run leaves no settings folder behind.
mkdir -p "$dest/home" "$dest/work"
cp "$src/samples/sample.srt" "$dest/work/"
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$dest/home" XDG_CONFIG_HOME= "$prefix/bin/glyphon" \
  -1 none "$dest/work/sample.srt" -1 1 0 3 0 0 4 0 14 0 30 -4 1 2>/dev/null || fail "installed program failed"
[ -s "$dest/work/sample.sup" ] || fail "installed program wrote no .sup"
[ ! -e "$dest/home/.config/glyphon" ] || fail "a command-line run created ~/.config/glyphon"
echo "install: ok"
