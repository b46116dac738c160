#!/usr/bin/env bash
# End to end: the named command line of the built program. --help and
# --version exit 0, a usage error exits 2 with a reason, good and bad files
# exit 1 naming the bad one, and a display (even one that cannot be reached)
# never makes `convert` open a window.
#   bash named.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

expect_status() {  # expected-status command...
  local want=$1 status=0
  shift
  "$@" > "$tmp/out" 2> "$tmp/err" || status=$?
  [ "$status" -eq "$want" ] || { cat "$tmp/err" >&2; fail "$* exited with $status, expected $want"; }
}

for display in "" ":97"; do
  export DISPLAY=$display
  unset WAYLAND_DISPLAY
  expect_status 0 "$program" --version
  grep -qx "glyphon [0-9][0-9.]*" "$tmp/out" || fail "--version printed: $(cat "$tmp/out")"
  expect_status 0 "$program" --help
  grep -q -- "--output-dir" "$tmp/out" || fail "--help does not list the options"
  expect_status 0 "$program" convert -h

  expect_status 2 "$program" convert --size 31 film.srt
  grep -q "^glyphon: --size: '31' is not a font size" "$tmp/err" || fail "no reason for --size 31"
  grep -q "^Try 'glyphon --help'" "$tmp/err" || fail "no pointer to --help"
  expect_status 2 "$program" convert

  cp "$source_dir/samples/sample.srt" "$tmp/good.srt"
  rm -rf "$tmp/out-dir"
  expect_status 1 "$program" convert -o "$tmp/out-dir" "$tmp/good.srt" "$tmp/missing.srt"
  [ "$(head -c 2 "$tmp/out-dir/good.sup")" = SP ] || fail "no .sup for the good file"
  [ -s "$tmp/out-dir/good.Glyphon_Help.txt" ] || fail "no help file for the good file"
  grep -q "missing.srt: File not found." "$tmp/err" || fail "the missing file is not named"
  grep -q "good.srt" "$tmp/err" && fail "the good file was reported"
done

echo "ok"
