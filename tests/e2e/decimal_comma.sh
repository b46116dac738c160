#!/usr/bin/env bash
# End to end under a decimal-comma locale (built with localedef into a
# temporary folder): a MicroDVD file whose frame-rate line reads
# "{1}{1}25.000" converts in the window (the toolkit switches the process to
# the user's locale) exactly as without a display.
#   bash decimal_comma.sh <path-to-glyphon> <source-dir>
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v localedef >/dev/null || fail "localedef is missing (Debian package libc-bin)"
mkdir "$tmp/locale"
localedef -i de_DE -f UTF-8 "$tmp/locale/de_DE.UTF-8" >/dev/null 2>&1 || [ -d "$tmp/locale/de_DE.UTF-8" ] ||
  fail "localedef could not build de_DE.UTF-8 (Debian package locales)"
export LOCPATH=$tmp/locale
# The locale goes to the programs started, not to this shell.
german() { env LC_ALL=de_DE.UTF-8 "$@"; }
[ "$(german /usr/bin/printf '%.1f' 2.5)" = "2,5" ] || fail "the built locale has no decimal comma"

mkdir "$tmp/window" "$tmp/headless"
for d in window headless; do printf '{1}{1}25.000\r\n{25}{75}Hallo\r\n{100}{150}Welt\r\n' > "$tmp/$d/m.sub"; done
job() { german "$program" -1 none "$1" -1 1 0 3 0 0 4 0 14 0 30 -4 1; }

# With the window: under a virtual X server. A refused number would stop in an
# error box that waits for the user, hence the time limit.
status=0
timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash -c "$(declare -f german job); program='$program'; job '$tmp/window/m.sub'" > "$tmp/out" 2> "$tmp/err" || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/err" >&2; fail "the windowed run exited with $status"; }
[ "$(head -c 2 "$tmp/window/m.sup" 2>/dev/null)" = SP ] || fail "the windowed run wrote no .sup file"

(unset DISPLAY WAYLAND_DISPLAY; job "$tmp/headless/m.sub") || fail "the run without a display failed"
cmp -s "$tmp/window/m.sup" "$tmp/headless/m.sup" || fail "the window and the run without a display wrote different files"

echo "ok"
