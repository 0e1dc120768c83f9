#!/usr/bin/env bash
# Line and branch coverage of src/ and app/ by the whole test suite, per folder, built in
# build-cov/ (or $BUILD_DIR). Needs gcovr; the full per-file report lands in build-cov/coverage.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build-cov}"
"$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Debug -DQV_COVERAGE=ON -DQV_BUILD_TESTS=ON -DQV_BUILD_BENCH=OFF
find "$BUILD_DIR" -name '*.gcda' -delete
# The install test builds a consumer without --coverage, which cannot link the counted libraries.
ctest --test-dir "$BUILD_DIR" -j "$(nproc)" --output-on-failure -E install_consumer
# Branches the compiler adds for exceptions are left out: they are not choices in the code.
gcovr -r "$root" --object-directory "$BUILD_DIR" -f "$root/src/" -f "$root/app/" -j "$(nproc)" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --txt "$BUILD_DIR/coverage.txt" --json-summary "$BUILD_DIR/coverage.json" >/dev/null
python3 - "$BUILD_DIR/coverage.json" <<'PY'
import json, sys, collections
t = collections.defaultdict(lambda: [0, 0, 0, 0])
for f in json.load(open(sys.argv[1]))["files"]:
    p = f["filename"].split("/")
    for d in (p[0] if p[0] == "app" else "/".join(p[:2]), "total"):
        for i, k in enumerate(("line_total", "line_covered", "branch_total", "branch_covered")):
            t[d][i] += f[k]
print(f"{'folder':<18}{'lines':>7}{'line %':>8}{'branches':>10}{'branch %':>10}")
for d, (lt, lc, bt, bc) in sorted(t.items()):
    print(f"{d:<18}{lt:>7}{100*lc/max(lt,1):>7.1f}%{bt:>10}{100*bc/max(bt,1):>9.1f}%")
PY
