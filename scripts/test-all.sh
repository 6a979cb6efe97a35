#!/usr/bin/env bash
# Builds every configuration and runs its tests: native under the sanitizers,
# then Windows x64 and x86 under Wine. Ends with one summary line for all.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
passed=0 failed=0 status=0

run_preset() {
  local preset=$1
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    echo "=== $preset: BUILD FAILED"
    failed=$((failed + 1)); status=1
    return
  fi
  echo "=== $preset: test"
  local log="build/$preset/ctest.log"
  ctest --preset "$preset" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
}

for preset in native-asan win64 win32; do run_preset "$preset"; done
[ -x scripts/fuzz.sh ] && { bash scripts/fuzz.sh short || status=1; }
echo
echo "$passed passed, $failed failed"
exit $status
