#!/usr/bin/env bash
# End to end with a display that is named but gone (a DISPLAY left over from
# ssh or cron): a job of 16 arguments converts as without a display; a start
# that needs the window says "cannot open the display" and ends with status 2.
# Never a crash.
#   bash unreachable_display.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$2
unset WAYLAND_DISPLAY

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A display number nobody serves.
n=55
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=:$n

cp "$source_dir/samples/sample.srt" "$tmp/s.srt"
status=0
"$program" -1 none "$tmp/s.srt" -1 1 0 3 0 0 4 0 14 0 30 -4 1 > "$tmp/out" 2> "$tmp/err" || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/err" >&2; fail "the job exited with $status"; }
[ ! -s "$tmp/err" ] || { cat "$tmp/err" >&2; fail "the job printed messages"; }
[ "$(head -c 2 "$tmp/s.sup" 2>/dev/null)" = SP ] || fail "the job wrote no .sup file"
[ -s "$tmp/s.Glyphon_Help.txt" ] || fail "the job wrote no help file"

for args in "" "$tmp/s.srt"; do
  status=0
  # shellcheck disable=SC2086
  "$program" $args > "$tmp/out" 2> "$tmp/err" || status=$?
  [ "$status" -eq 2 ] || { cat "$tmp/err" >&2; fail "'glyphon $args' exited with $status, expected 2"; }
  grep -q "cannot open the display" "$tmp/err" || fail "'glyphon $args' did not say that the display cannot be opened"
done

echo "ok"
