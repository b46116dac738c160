#!/usr/bin/env bash
# End to end: `glyphon convert` and a 16-argument job without a display load
# no Qt library at all (the window is a module loaded only for a window), and
# the named command line's sources do not include the window's model.
#   bash no_qt.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$source_dir/samples/sample.srt" "$tmp/s.srt"
env -u DISPLAY -u WAYLAND_DISPLAY LD_DEBUG=libs "$program" convert --quiet "$tmp/s.srt" 2> "$tmp/named.log" \
  || { tail -20 "$tmp/named.log" >&2; fail "glyphon convert failed"; }
[ "$(head -c 2 "$tmp/s.sup")" = SP ] || fail "glyphon convert wrote no .sup"
! grep -q "libQt6" "$tmp/named.log" || fail "glyphon convert loaded $(grep -o 'libQt6[A-Za-z]*' "$tmp/named.log" | sort -u | tr '\n' ' ')"
grep -q "calling init: .*libfreetype" "$tmp/named.log" || fail "LD_DEBUG shows no libraries at all"

rm -f "$tmp/s.sup"
env -u DISPLAY -u WAYLAND_DISPLAY LD_DEBUG=libs "$program" -1 none "$tmp/s.srt" -1 1 0 3 0 0 4 0 14 0 30 -4 1 \
  2> "$tmp/sixteen.log" || { tail -20 "$tmp/sixteen.log" >&2; fail "the 16-argument job failed"; }
[ "$(head -c 2 "$tmp/s.sup")" = SP ] || fail "the 16-argument job wrote no .sup"
! grep -q "libQt6" "$tmp/sixteen.log" || fail "the 16-argument job loaded Qt"

# The program itself needs no Qt library; the window module does.
# (ldd's whole list first: grep -q leaving a pipe early fails it under pipefail)
ldd "$program" > "$tmp/program.ldd"
ldd "$(dirname "$program")/glyphon-window.so" > "$tmp/window.ldd"
! grep -q "libQt6" "$tmp/program.ldd" || fail "the program links Qt"
grep -q "libQt6Widgets" "$tmp/window.ldd" || fail "the window module links no Qt"

if grep -rEn '#include "(app|gui)/' "$source_dir/src/cli"; then fail "src/cli includes the window"; fi
echo "ok"
