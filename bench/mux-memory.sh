#!/usr/bin/env bash
# Peak memory of `glyphon convert --mux` for a short and a long subtitle list,
# side by side with the same conversion without the mux. A run's units wait
# for the mux in a spool file (their bytes are not kept in memory), so the
# mux adds a few dozen bytes per subtitle, not the units' kilobytes.
#
# Usage: bench/mux-memory.sh [build-folder]   (MUX_MEMORY_SUBS sets the long count)
set -euo pipefail

build=${1:-build}
glyphon="$build/glyphon"
long=${MUX_MEMORY_SUBS:-100000}
[ -x "$glyphon" ] || { echo "mux-memory: $glyphon not built" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "mux-memory: /usr/bin/time missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d /tmp/glyphon-mux-memory-XXXXXX)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -loglevel error -y -f lavfi -i smptebars=size=720x576:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:duration=10 -target pal-dvd -aspect 4:3 -b:v 1000k -threads 1 \
  "$work/film.mpg"

subtitles() {  # count file: one subtitle every 0.1 s, each two lines
  awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) { ms = i * 100;
    printf "%d\r\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\r\nSubtitle number %d of a long list\r\nwith a second line\r\n\r\n",
      i + 1, ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60, ms % 1000,
      (ms + 90) / 3600000, ((ms + 90) / 60000) % 60, ((ms + 90) / 1000) % 60, (ms + 90) % 1000, i + 1 } }' >"$2"
}

peak() {  # prints the peak resident size in KB of the command
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1 || { echo "mux-memory: $* failed" >&2; exit 1; }
  cat "$work/rss"
}

printf '%10s %14s %14s %14s %12s\n' subtitles 'plain (MB)' 'with mux (MB)' 'mux adds (MB)' 'units (MB)'
for n in 1000 "$long"; do
  subtitles "$n" "$work/s$n.srt"
  plain=$(peak "$glyphon" convert -q -o "$work/plain$n" "$work/s$n.srt")
  mux=$(peak "$glyphon" convert -q --mux "$work/film.mpg" -o "$work/mux$n" "$work/s$n.srt")
  units=$(stat -c %s "$work/plain$n/s$n.sup")
  awk -v n="$n" -v p="$plain" -v m="$mux" -v u="$units" \
    'BEGIN { printf "%10d %14.1f %14.1f %14.1f %12.1f\n", n, p / 1024, m / 1024, (m - p) / 1024, u / 1048576 }'
  rm -rf "$work/plain$n" "$work/mux$n"
done
