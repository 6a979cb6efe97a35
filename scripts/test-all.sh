#!/usr/bin/env bash
# Builds every configuration and runs its tests: native under the sanitizers,
# then Windows x64 and x86 under Wine. Ends with one summary line for all.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
passed=0 failed=0 skipped=0 status=0

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
  local line total bad disabled
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    disabled=$(grep -cE '^\s+[0-9]+ - .*\((Disabled|Skipped)\)' "$log" || true)
    passed=$((passed + total - bad - disabled)); failed=$((failed + bad)); skipped=$((skipped + disabled))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
}

for preset in native-asan native-tsan win64 win32; do run_preset "$preset"; done

# Why the x86 programs did not run under Wine, in one line, when they did not.
x86_note=""
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    x86_note="x86 Wine tests skipped: wine32:i386 is not installed (the bootstrap could not install it from the package mirror)"
  else
    x86_note="x86 Wine tests skipped: the 32-bit Wine loader cannot start on this machine"
  fi
  echo "=== $x86_note"
fi

echo "=== fuzz: every target for a short bounded time"
fuzzlog=build/fuzz-short.log
mkdir -p build
bash scripts/fuzz.sh short 2>&1 | tee "$fuzzlog"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
if line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' "$fuzzlog"); then
  passed=$((passed + $(awk '{print $2}' <<<"$line"))); failed=$((failed + $(awk '{print $4}' <<<"$line")))
else
  failed=$((failed + 1))
fi
echo
[ -z "$x86_note" ] || echo "$x86_note"
echo "$passed passed, $failed failed, $skipped skipped"
exit $status
