#!/usr/bin/env bash
# Runs every fuzz target (clang + libFuzzer + ASan/UBSan) from its seed corpus.
#   fuzz.sh short      a few seconds each (part of make test)
#   fuzz.sh long [S]   S seconds each (default 600)
# New inputs go to build/native-fuzz/corpus/<target>; a finding leaves its
# crash file in build/native-fuzz/findings and fails the run.
set -uo pipefail
cd "$(dirname "$0")/.."
mode=${1:-short}
seconds=${2:-600}
[ "$mode" = short ] && seconds=10
cmake --preset native-fuzz >/dev/null && cmake --build --preset native-fuzz -j "$(nproc)" >/dev/null || {
  echo "fuzz: build failed"; exit 1; }
status=0 passed=0 failed=0
for target in short_midi long_midi persist_load reentrant_host; do
  work=build/native-fuzz/corpus/$target findings=build/native-fuzz/findings/$target
  mkdir -p "$work" "$findings"
  if build/native-fuzz/tests/fuzz/fuzz_$target "$work" "tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -artifact_prefix="$findings/" -print_final_stats=1 \
      > "build/native-fuzz/$target.log" 2>&1; then
    runs=$(grep -m1 'stat::number_of_executed_units' "build/native-fuzz/$target.log" | awk '{print $2}')
    echo "fuzz $target: ${seconds}s, ${runs:-?} runs, no finding"
    passed=$((passed + 1))
  else
    echo "fuzz $target: FINDING (see build/native-fuzz/$target.log and $findings)"
    tail -n 30 "build/native-fuzz/$target.log"
    failed=$((failed + 1)); status=1
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
