#!/usr/bin/env bash
# End to end: a long conversion and a long mux, stopped by SIGINT or SIGTERM
# while they write, leave the previous outputs exactly as they were and no
# temporary file behind; the program ends by the signal.
#   bash interrupt.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
unset DISPLAY WAYLAND_DISPLAY
command -v ffmpeg >/dev/null || { echo "FAIL: ffmpeg missing (Debian package ffmpeg)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# 30,000 subtitles: several seconds of work.
awk 'BEGIN { for (i = 0; i < 30000; i++) {
  s = i; printf "%d\r\n%02d:%02d:%02d,000 --> %02d:%02d:%02d,900\r\nSubtitle number %d\r\n\r\n",
  i + 1, s / 3600, (s / 60) % 60, s % 60, s / 3600, (s / 60) % 60, s % 60, i + 1 } }' > "$tmp/long.srt"

# Waits until a file matching the pattern exists (the run is writing), then
# sends the signal and checks how the program ended.
interrupt() {  # signal pattern command...
  local sig=$1 pattern=$2
  shift 2
  # With job control a background job keeps SIGINT (otherwise the shell
  # starts it with SIGINT ignored, as for "cmd &" in a script).
  set -m
  "$@" 2>"$tmp/err" &
  local pid=$! waited=0
  set +m
  until compgen -G "$pattern" >/dev/null; do
    sleep 0.02
    waited=$((waited + 1))
    kill -0 "$pid" 2>/dev/null || fail "the run ended before it wrote $pattern: $(cat "$tmp/err")"
    [ "$waited" -lt 3000 ] || { kill -KILL "$pid"; fail "no $pattern appeared"; }
  done
  kill "-$sig" "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -gt 128 ] || fail "SIG$sig: the run ended with status $status, not by the signal"
}

# Hidden files included (the units' spool file, should it ever have a name).
no_temporaries() {
  if ls -A "$tmp/out" | grep -q -e '\.tmp-' -e '\.part-' -e 'glyphon-units'; then
    fail "$1: temporary files left: $(ls -A "$tmp/out")"
  fi
}

mkdir "$tmp/out"
printf 'previous sup' > "$tmp/out/long.sup"
printf 'previous help' > "$tmp/out/long.Glyphon_Help.txt"
printf 'previous idx' > "$tmp/out/long.idx"
for sig in INT TERM; do
  interrupt "$sig" "$tmp/out/long.sup.tmp-*" "$program" convert -q --format sup,vobsub -o "$tmp/out" "$tmp/long.srt"
  [ "$(cat "$tmp/out/long.sup")" = "previous sup" ] || fail "SIG$sig: the previous .sup was replaced"
  [ "$(cat "$tmp/out/long.Glyphon_Help.txt")" = "previous help" ] || fail "SIG$sig: the help file was replaced"
  [ "$(cat "$tmp/out/long.idx")" = "previous idx" ] || fail "SIG$sig: a foreign .idx was touched"
  no_temporaries "SIG$sig during the conversion"
done

# A long film: one minute of DVD MPEG joined to itself 24 times.
ffmpeg -nostdin -loglevel error -y -f lavfi -i smptebars=size=720x576:rate=25:duration=60 \
  -f lavfi -i sine=frequency=440:duration=60 -target pal-dvd -aspect 4:3 -b:v 300k -motion_est zero \
  -threads 1 "$tmp/minute.mpg"
for i in $(seq 24); do cat "$tmp/minute.mpg"; done > "$tmp/film.mpg"
printf '1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n' > "$tmp/short.srt"
# One subtitle, then the 30,000 of the long conversion: their units wait for
# the mux in a spool file, and the .sup, help and VobSub pair written before
# the mux wait for it too.
for stem in short long; do
  printf 'previous muxed film' > "$tmp/out/$stem.muxed.mpg"
  printf 'previous sup' > "$tmp/out/$stem.sup"
  printf 'previous help' > "$tmp/out/$stem.Glyphon_Help.txt"
done
for sig in INT TERM; do
  for stem in short long; do
    interrupt "$sig" "$tmp/out/$stem.muxed.mpg.*-*" "$program" convert -q --format sup,vobsub \
      --mux "$tmp/film.mpg" -o "$tmp/out" "$tmp/$stem.srt"
    [ "$(cat "$tmp/out/$stem.muxed.mpg")" = "previous muxed film" ] || fail "SIG$sig: the muxed film was replaced"
    [ "$(cat "$tmp/out/$stem.sup")" = "previous sup" ] || fail "SIG$sig: the .sup was replaced during the mux"
    [ "$(cat "$tmp/out/$stem.Glyphon_Help.txt")" = "previous help" ] || fail "SIG$sig: the help was replaced during the mux"
    [ "$(cat "$tmp/out/long.idx")" = "previous idx" ] || fail "SIG$sig: a foreign .idx was touched"
    [ "$stem" = long ] || [ ! -e "$tmp/out/short.idx" ] || fail "SIG$sig: short.idx was written"
    for written in palette.yuv dvdauthor.xml vobsub.idx vobsub.sub; do
      [ ! -e "$tmp/out/$stem.$written" ] || fail "SIG$sig: $stem.$written was written"
    done
    no_temporaries "SIG$sig during the mux of $stem.srt"
  done
done
echo "interrupt: ok"
