#!/usr/bin/env bash
# Sets up, builds and runs every test. QV_SANITIZE=ON builds with the sanitizers instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
if [ "${QV_SANITIZE:-OFF}" = "ON" ]; then
  export BUILD_DIR="${BUILD_DIR:-$root/build-asan}"
  "$root/scripts/build.sh" -DQV_SANITIZE=ON -DQV_BUILD_TESTS=ON -DQV_BUILD_BENCH=OFF
else
  # Explicit, so that a build dir first made by run-sample.sh gets its tests too.
  "$root/scripts/build.sh" -DQV_SANITIZE=OFF -DQV_BUILD_TESTS=ON -DQV_BUILD_BENCH=ON
fi
ctest --test-dir "${BUILD_DIR:-$root/build}" --output-on-failure -j "$(nproc)"
