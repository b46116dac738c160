#!/usr/bin/env bash
# Muxing subtitles into a 1 GB DVD program stream with `glyphon convert --mux`
# against reading the same file with `cat FILE > /dev/null`, both in MB/s,
# and the mux's peak memory. The input is a 10-second DVD MPEG from ffmpeg
# repeated to 1 GB, made in a temporary folder and deleted afterwards.
#
# Usage: bench/mux-throughput.sh [build-folder]   (MUX_BENCH_MB sets the size)
set -euo pipefail

build=${1:-build}
glyphon="$build/glyphon"
size_mb=${MUX_BENCH_MB:-1024}
[ -x "$glyphon" ] || { echo "mux-throughput: $glyphon not built" >&2; exit 1; }

work=$(mktemp -d /tmp/glyphon-mux-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -loglevel error -y -f lavfi -i smptebars=size=720x576:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:duration=10 -target pal-dvd -aspect 4:3 -b:v 4000k -threads 1 \
  "$work/clip.mpg"
clip_bytes=$(stat -c %s "$work/clip.mpg")
copies=$(( (size_mb * 1024 * 1024 + clip_bytes - 1) / clip_bytes ))
for _ in $(seq "$copies"); do cat "$work/clip.mpg"; done >"$work/film.mpg"
rm "$work/clip.mpg"
bytes=$(stat -c %s "$work/film.mpg")

# One subtitle a second over the clip's ten seconds.
for i in $(seq 0 9); do
  printf '%d\r\n00:00:%02d,000 --> 00:00:%02d,800\r\nSubtitle number %d\r\n\r\n' $((i + 1)) "$i" "$i" $((i + 1))
done >"$work/film.srt"

seconds() { local t0 t1; t0=$(date +%s.%N); "$@"; t1=$(date +%s.%N); awk "BEGIN { print $t1 - $t0 }"; }
rate() { awk "BEGIN { print $bytes / 1048576 / $1 }"; }

cat "$work/film.mpg" >/dev/null  # every run starts from the same cache state
cat_s=$(seconds sh -c "cat '$work/film.mpg' >/dev/null")
copy_s=$(seconds sh -c "cat '$work/film.mpg' >'$work/copy.mpg'")
rm "$work/copy.mpg"
# The conversion without the mux (start-up, fonts, the ".sup"), to tell the
# mux's own time.
plain_s=$(seconds "$glyphon" convert -q -o "$work/plain" "$work/film.srt")
mux_s=$(seconds /usr/bin/time -f %M -o "$work/rss" "$glyphon" convert -q --mux "$work/film.mpg" \
  -o "$work/out" "$work/film.srt" 2>/dev/null)
[ -s "$work/out/film.muxed.mpg" ] || { echo "mux-throughput: no muxed file" >&2; exit 1; }
only_s=$(awk "BEGIN { d = $mux_s - $plain_s; print (d > 0.001 ? d : 0.001) }")

printf 'input: %d MB (%d copies of a 10 s DVD MPEG)\n' $((bytes / 1048576)) "$copies"
printf 'cat FILE > /dev/null            %8.1f MB/s  (%.2f s)\n' "$(rate "$cat_s")" "$cat_s"
printf 'cat FILE > COPY                 %8.1f MB/s  (%.2f s)\n' "$(rate "$copy_s")" "$copy_s"
printf 'glyphon convert --mux           %8.1f MB/s  (%.2f s, of which %.2f s start-up and .sup)\n' \
  "$(rate "$mux_s")" "$mux_s" "$plain_s"
printf 'the mux alone (reads and writes) %7.1f MB/s\n' "$(rate "$only_s")"
printf 'peak memory of the mux run: %d MB\n' $(( $(cat "$work/rss") / 1024 ))
