#!/usr/bin/env bash
# End to end: many files converted at once and stopped by a signal at any
# moment leave each file's set (.sup, VobSub pair, help file) all previous or
# all new, no temporary file and no message about vanished files; temporary
# files of a process killed outright are removed by the next run over them.
#   bash interrupt_sets.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
unset DISPLAY WAYLAND_DISPLAY
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

files=120
# The two sets start their subtitles at other milliseconds, so that every
# file of them differs (an index of units in one pack each holds only times).
make_subtitles() {  # folder word milliseconds
  mkdir -p "$1"
  for f in $(seq $files); do
    awk -v w="$2" -v f="$f" -v ms="$3" 'BEGIN { for (i = 0; i < 40; i++)
      printf "%d\n00:%02d:%02d,%03d --> 00:%02d:%02d,900\n%s %d of file %d\n\n", i + 1, i / 60, i % 60, ms, i / 60, i % 60, w, i, f }' \
      > "$1/f$f.srt"
  done
}
make_subtitles "$tmp/old" Previous 100
make_subtitles "$tmp/new" Replacement 0
"$program" convert -q -j 8 --format sup,vobsub -o "$tmp/ref" "$tmp"/new/*.srt
"$program" convert -q -j 8 --format sup,vobsub -o "$tmp/before" "$tmp"/old/*.srt
for f in $(seq $files); do printf 'previous help' > "$tmp/before/f$f.Glyphon_Help.txt"; done

for delay in 0.3 0.9 1.5; do
  rm -rf "$tmp/out"
  cp -a "$tmp/before" "$tmp/out"
  set -m
  "$program" convert -q -j 64 --format sup,vobsub -o "$tmp/out" "$tmp"/new/*.srt 2>"$tmp/err" &
  pid=$!
  set +m
  sleep "$delay"
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" || true
  ! grep -q -i -e 'not found' -e 'no such' "$tmp/err" || fail "after ${delay}s: $(head -3 "$tmp/err")"
  ! ls -A "$tmp/out" | grep -q '\.tmp-' || fail "after ${delay}s: temporary files left: $(ls -A "$tmp/out" | grep '\.tmp-' | head -3)"
  for f in $(seq $files); do
    olds=0 news=0
    for ext in sup idx sub Glyphon_Help.txt; do
      if cmp -s "$tmp/out/f$f.$ext" "$tmp/before/f$f.$ext"; then olds=$((olds + 1))
      elif [ "$ext" = Glyphon_Help.txt ] || cmp -s "$tmp/out/f$f.$ext" "$tmp/ref/f$f.$ext"; then news=$((news + 1))
      else fail "after ${delay}s: f$f.$ext is neither the previous nor the new one"; fi
    done
    [ "$olds" = 4 ] || [ "$news" = 4 ] || fail "after ${delay}s: f$f has $olds previous and $news new files"
  done
done

# SIGKILL leaves temporary files; the next run over the same outputs
# removes them.
set -m
"$program" convert -q -j 64 --format sup,vobsub -o "$tmp/out" "$tmp"/old/*.srt 2>/dev/null &
pid=$!
set +m
until compgen -G "$tmp/out/*.tmp-*" >/dev/null; do
  kill -0 "$pid" 2>/dev/null || fail "the run ended before it wrote a temporary file"
  sleep 0.01
done
kill -KILL "$pid"
wait "$pid" || true
"$program" convert -q -j 8 --format sup,vobsub -o "$tmp/out" "$tmp"/new/*.srt
! ls -A "$tmp/out" | grep -q '\.tmp-' || fail "a killed run's temporary files stay: $(ls -A "$tmp/out" | grep '\.tmp-' | head -3)"
echo "interrupt_sets: ok"
