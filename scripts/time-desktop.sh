#!/usr/bin/env bash
# Times the desktop program's gestures on a generated project (docs/performance.md, "The
# desktop program at 100,000 topics"), with the floors measured in the same run:
#   - qvx opening the same project file, whole process;
#   - cp -r of the project's pages and files into a new folder (what a build must write at
#     least, with no work on the contents).
# Usage: time-desktop.sh [TOPICS] (default 100000). Uses the programs in build/ (or
# $BUILD_DIR) and a display, else xvfb-run. Everything goes to a temporary folder, removed at
# the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
topics="${1:-100000}"
work="$(mktemp -d "${TMPDIR:-/tmp}/qv-time-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" TMP="$work/tmp/"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$TMP"
run=()
if [ -z "${DISPLAY:-}" ]; then run=(xvfb-run -a -s "-screen 0 1280x800x24"); fi

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

project="$("$build/tools/qvgen/qvgen" "$topics" "$work")"
folder="$(dirname "$project")"
echo "project: $project ($topics topics)"

echo "== floor: qvx opens the project (whole process), three times"
echo "open $project" >"$work/open.qvx"
for _ in 1 2 3; do
  t0=$(now)
  "$build/tools/qvx/qvx" --no-instrumentation run "$work/open.qvx" >/dev/null
  echo "qvx open: $(ms "$t0" "$(now)") ms"
done

# Prints the program's lines as they come, and how long the process lived after "> quit".
desktop() {
  local quit=0 line
  t0=$(now)
  while IFS= read -r line; do
    echo "$line"
    [ "$line" = "script: > quit" ] && quit=$(now)
  done < <("${run[@]}" "$build/app/quorvel" --script "$1" "$project" 2>/dev/null)
  [ "$quit" -eq 0 ] || echo "the process ended $(ms "$quit" "$(now)") ms after the quit began"
}

echo "== the desktop program: open, quit (nothing changed)"
printf 'quit\n' >"$work/quit.txt"
desktop "$work/quit.txt"

echo "== the desktop program: the gestures"
cat >"$work/gestures.txt" <<'GESTURES'
expand c:C12
collapse c:C12
delete c:C12
select bp:B1
build
build
quit
GESTURES
desktop "$work/gestures.txt"

echo "== floor: cp -r of the pages and files"
sources=()
for entry in "$folder"/*; do [ -d "$entry" ] && [ "$(basename "$entry")" != output ] && sources+=("$entry"); done
mkdir "$work/copy"
t0=$(now)
cp -r "${sources[@]}" "$work/copy/"
echo "cp -r: $(ms "$t0" "$(now)") ms for $(find "$work/copy" -type f | wc -l) files"
