#!/usr/bin/env bash
# Checks that the tests catch faults: applies each fault of scripts/faults.txt alone, rebuilds
# and runs the fault's own test program (then, if it passes, every test until the first
# failure) in build-faults/ (or $BUILD_DIR), and prints "FILE:LINE | fault | first failing
# test" (SURVIVED: none). A fault line is FILE|TEXT|REPLACEMENT|PROGRAM[:GTEST FILTER]: the
# first TEXT in FILE ("\n" a line break) becomes REPLACEMENT. An argument: only the faults
# whose line matches it (grep -E).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build-faults}"
[ -f "$BUILD_DIR/CMakeCache.txt" ] || "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DQV_BUILD_TESTS=ON -DQV_BUILD_BENCH=OFF >/dev/null || exit 1
saved="$(mktemp)"
trap 'rm -f "$saved"' EXIT
grep -v '^#' "$root/scripts/faults.txt" | grep -E -- "${1:-.}" |
while IFS='|' read -r file from to program; do
  [ -z "$file" ] && continue
  cp -p "$root/$file" "$saved"
  # Replaces the text and prints the line it started on.
  line="$(FROM="$from" TO="$to" python3 -c 'import os,sys; p=sys.argv[1]; s=open(p).read()
f,t=(os.environ[k].replace("\\n","\n") for k in ("FROM","TO")); i=s.find(f)
if i>=0: open(p,"w").write(s[:i]+t+s[i+len(f):]); print(s.count("\n",0,i)+1)' "$root/$file")"
  [ -z "$line" ] && { echo "$file | $from | NOT FOUND"; continue; }
  caught="" filter="*"
  [[ "$program" == *:* ]] && filter="${program#*:}"
  if cmake --build "$BUILD_DIR" --target "${program%%:*}" </dev/null >/dev/null 2>&1; then
    # A crash or a hang (two minutes) counts as caught by the program.
    caught="$(cd "$BUILD_DIR/tests" && { QT_QPA_PLATFORM=offscreen timeout 120 \
      ./"${program%%:*}" --gtest_filter="$filter" --gtest_brief=1 </dev/null 2>&1 ||
      echo "[  FAILED  ] ${program%%:*}(exit-status-$?)"; } |
      sed -n 's/^\[  FAILED  \] \([^ ,]*\).*/\1/p' | head -1)"
    if [ -z "$caught" ] && cmake --build "$BUILD_DIR" </dev/null >/dev/null 2>&1; then
      caught="$(ctest --test-dir "$BUILD_DIR" -j2 --stop-on-failure --timeout 120 </dev/null 2>&1 |
        grep -m1 -E '\*\*\*|Failed  ' | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/')"
    fi
  else
    caught="(does not build)"
  fi
  cp -p "$saved" "$root/$file" && touch "$root/$file"
  echo "$file:$line | $from -> $to | ${caught:-SURVIVED}"
done
