#!/usr/bin/env bash
# End to end without a display: a batch file of two jobs runs with sh and
# converts both subtitle files; a job whose subtitle file is missing reports
# on standard error and ends with status 1.
#   bash batch.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$2
unset DISPLAY WAYLAND_DISPLAY

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The quoting of the batch writer: double quotes, with '"', '$', '`' and '\'
# escaped by a backslash.
quote() { printf '"%s"' "$(printf '%s' "$1" | sed 's/[\\"$`]/\\&/g')"; }

# Every line names the program in its own folder as "glyphon", as the writer
# does; the generic palette, PAL and the default look.
job() {
  printf '%s -1 %s %s -1 1 0 3 0 0 4 0 14 0 30 -4 1\n' "$(quote "$(dirname "$program")/glyphon")" \
    "$(quote none)" "$(quote "$1")"
}

plain="$tmp/plain.srt"
odd="$tmp/with space \$cash \`tick\`.srt"
cp "$source_dir/samples/sample.srt" "$plain"
cp "$source_dir/samples/sample.srt" "$odd"
{ echo '#!/bin/sh'; job "$plain"; job "$odd"; } > "$tmp/jobs.bat"

settings="$(dirname "$program")/Glyphon_Settings.ini"
settings_before=$([ -e "$settings" ] && echo yes || echo no)
status=0
(cd "$tmp" && sh jobs.bat) > "$tmp/out" 2> "$tmp/err" || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/err" >&2; fail "batch exited with $status"; }
[ ! -s "$tmp/err" ] || { cat "$tmp/err" >&2; fail "a successful batch printed messages"; }
for base in "$tmp/plain" "$tmp/with space \$cash \`tick\`"; do
  [ -s "$base.sup" ] || fail "no .sup for $base"
  [ "$(head -c 2 "$base.sup")" = SP ] || fail "$base.sup does not start with a unit header"
  [ -s "$base.Glyphon_Help.txt" ] || fail "no help file for $base"
  grep -q "$(basename "$base").sup" "$base.Glyphon_Help.txt" || fail "help file does not name the .sup file"
done
# Both files hold the same subtitles with the same look.
cmp -s "$tmp/plain.sup" "$tmp/with space \$cash \`tick\`.sup" || fail "the two .sup files differ"
# A command-line run writes no settings file.
if [ "$settings_before" = no ] && [ -e "$settings" ]; then fail "the run wrote $settings"; fi

# A job whose subtitle file is missing.
{ echo '#!/bin/sh'; job "$tmp/missing.srt"; } > "$tmp/bad.bat"
status=0
(cd "$tmp" && sh bad.bat) > "$tmp/out" 2> "$tmp/err" || status=$?
[ "$status" -eq 1 ] || fail "failing job exited with $status, expected 1"
[ -s "$tmp/err" ] || fail "failing job printed nothing on standard error"
[ ! -e "$tmp/missing.sup" ] || fail "failing job wrote a .sup file"

# Without a display, a line that is neither a job nor a named command: two
# lines on standard error pointing to the command line, and status 2.
for args in "" "$tmp/missing.srt"; do
  status=0
  # shellcheck disable=SC2086
  "$program" $args > "$tmp/out" 2> "$tmp/err" || status=$?
  [ "$status" -eq 2 ] || fail "'glyphon $args' exited with $status, expected 2"
  [ ! -s "$tmp/out" ] || fail "'glyphon $args' wrote to standard output"
  [ "$(wc -l < "$tmp/err")" -le 2 ] || fail "'glyphon $args' printed more than two lines"
  grep -q "needs a display" "$tmp/err" || fail "'glyphon $args' does not say that the window needs a display"
  grep -q "glyphon convert --help" "$tmp/err" || fail "'glyphon $args' does not point to glyphon convert --help"
done
# An unknown option is a usage error with or without a display.
status=0
"$program" --bogus > "$tmp/out" 2> "$tmp/err" || status=$?
[ "$status" -eq 2 ] || fail "'glyphon --bogus' exited with $status, expected 2"
grep -q "unknown option '--bogus'" "$tmp/err" || fail "'glyphon --bogus' does not name the option"

echo "ok"
