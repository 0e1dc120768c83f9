#!/usr/bin/env bash
# Sets up, builds and shows the sample help project with the headless host.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF
"${BUILD_DIR:-$root/build}/tools/qvx/qvx" tree "$root/samples/Handbook/Handbook.qvproj"
