#!/usr/bin/env bash
# Sets up, builds and starts the desktop program (build/app/quorvel) on the sample help
# project. Without a display it runs under Xvfb, saves a screenshot of the window and quits.
#   --screenshot FILE (or QV_SCREENSHOT=FILE): save the window to FILE after start and quit.
#   any other argument: the project folder or .qvproj file to open instead of the sample.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
screenshot="${QV_SCREENSHOT:-}"
project="$root/samples/Handbook"
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="${2:?--screenshot needs a file}"; shift 2 ;;
    --screenshot=*) screenshot="${1#*=}"; shift ;;
    *) project="$1"; shift ;;
  esac
done

"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF

program=("$build/app/quorvel")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  screenshot="${screenshot:-$build/artifacts/run-desktop.png}"
  echo "No display (\$DISPLAY is not set): running under xvfb-run; the window is saved to" \
       "$screenshot and the program quits."
  program=(xvfb-run -a -s "-screen 0 1280x800x24" "${program[@]}")
fi
args=()
if [ -n "$screenshot" ]; then
  mkdir -p "$(dirname "$screenshot")"
  args+=(--screenshot "$screenshot")
fi
"${program[@]}" "${args[@]}" "$project"
if [ -n "$screenshot" ]; then echo "Screenshot: $screenshot"; fi
