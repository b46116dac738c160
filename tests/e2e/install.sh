#!/usr/bin/env bash
# make install DESTDIR=... puts the program (stripped), a valid desktop entry,
# the icon and the manual page under PREFIX; the installed program converts
# and keeps its window's settings where an installed program should.
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
# Installed stripped: no debug sections, no symbol table.
if readelf -S "$prefix/bin/glyphon" | grep -qE '\.(debug_info|symtab)\b'; then fail "the installed program is not stripped"; fi
man=$prefix/share/man/man1/glyphon.1
for text in 'Also write VobSub (.idx/.sub)' 'NAME.idx' 'NAME.muxed.mpg' 'NAME.palette.yuv'; do
  grep -qF "$text" "$man" || fail "the manual page does not mention $text"
done

# The installed window keeps its settings in ~/.config/glyphon, even when
# root runs it and could write into PREFIX/bin; a settings file already
# beside the program (a portable copy) is used there instead.
home=$dest/home
run_window() {  # runs the installed window offscreen until it is told to end
  env HOME="$home" XDG_CONFIG_HOME= DISPLAY=:offscreen QT_QPA_PLATFORM=offscreen "$1" 2>"$dest/window.err" &
  local pid=$! n=0
  # The end signal closes the window (which writes the settings) once the
  # program has set up its handler.
  until [ $(( 0x$(awk '/^SigCgt/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0) & 0x4000 )) -ne 0 ]; do
    n=$((n + 1)); [ $n -lt 600 ] || { kill "$pid"; fail "the window did not start"; }
    kill -0 "$pid" 2>/dev/null || { cat "$dest/window.err" >&2; fail "the window ended by itself"; }
    sleep 0.1
  done
  kill -TERM "$pid"
  wait "$pid" || fail "the window ended with status $?"
}
run_window "$prefix/bin/glyphon"
[ -s "$home/.config/glyphon/Glyphon_Settings.ini" ] || fail "no settings in ~/.config/glyphon"
grep -q '^ComboBoxFontName_Text=' "$home/.config/glyphon/Glyphon_Settings.ini" || fail "the font is not stored by name"
[ ! -e "$prefix/bin/Glyphon_Settings.ini" ] || fail "the installed program wrote settings into its own folder"

# With a display, an unknown option is still a usage error: no window.
status=0
env HOME="$home" DISPLAY=:offscreen QT_QPA_PLATFORM=offscreen "$prefix/bin/glyphon" --bogus 2>"$dest/err" || status=$?
[ "$status" -eq 2 ] || fail "'glyphon --bogus' with a display exited with $status, expected 2"
grep -q "unknown option '--bogus'" "$dest/err" || fail "'glyphon --bogus' does not name the option"

rm -rf "$home/.config"
printf '[Form1]\noffset_Position=44\n' > "$prefix/bin/Glyphon_Settings.ini"
run_window "$prefix/bin/glyphon"
grep -q '^ComboBoxFontName_Text=' "$prefix/bin/Glyphon_Settings.ini" || fail "the portable settings file was not used"
grep -q '^offset_Position=44$' "$prefix/bin/Glyphon_Settings.ini" || fail "the portable settings were not kept"
[ ! -e "$home/.config/glyphon" ] || fail "a portable copy wrote into ~/.config/glyphon"
echo "install: ok"
