#!/usr/bin/env bash
# Peak memory of `glyphon convert` for a file of many tiny cues (one word
# each), against the file's size: the run keeps every cue in memory, so the
# bytes per cue matter more than the text. Exits 1 when the peak reaches 4
# times the input.
#
# Usage: bench/tiny-cues-memory.sh [build-folder]   (TINY_CUES sets the count)
set -euo pipefail

build=${1:-build}
glyphon="$build/glyphon"
count=${TINY_CUES:-2000000}
[ -x "$glyphon" ] || { echo "tiny-cues-memory: $glyphon not built" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "tiny-cues-memory: /usr/bin/time missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d /tmp/glyphon-tiny-cues-XXXXXX)
trap 'rm -rf "$work"' EXIT

# One cue every 20 ms, 10 ms long: all within the times a .sup can hold.
awk -v n="$count" 'BEGIN { for (i = 0; i < n; i++) { ms = i * 20;
  printf "%d\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\nw%d\n\n", i + 1,
    ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60, ms % 1000,
    (ms + 10) / 3600000, ((ms + 10) / 60000) % 60, ((ms + 10) / 1000) % 60, (ms + 10) % 1000, i % 10 } }' \
  >"$work/tiny.srt"

/usr/bin/time -f '%M %e' -o "$work/rss" "$glyphon" convert -q -o "$work/out" "$work/tiny.srt" >/dev/null 2>&1 ||
  { echo "tiny-cues-memory: the conversion failed" >&2; exit 1; }
read -r peak seconds <"$work/rss"
input=$(stat -c %s "$work/tiny.srt")
awk -v n="$count" -v p="$peak" -v i="$input" -v s="$seconds" 'BEGIN {
  printf "%10s %12s %12s %10s %10s\n", "cues", "input (MB)", "peak (MB)", "peak/input", "seconds"
  printf "%10d %12.1f %12.1f %10.2f %10.1f\n", n, i / 1048576, p / 1024, p * 1024 / i, s
  exit (p * 1024 < 4 * i) ? 0 : 1 }'
