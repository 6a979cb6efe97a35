#!/usr/bin/env bash
# Benchmarks (native Release): the Google Benchmark table, then instructions
# per message from callgrind for the fader and the idle refresh, which are
# stable from run to run: (instructions for N - instructions for 0) / N.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-release >/dev/null
cmake --build --preset native-release -j "$(nproc)" --target surface_bench >/dev/null
bench=build/native-release/bench/surface_bench
"$bench" --benchmark_min_time=0.2 --benchmark_counters_tabular=true

count_instructions() {  # route n -> total instructions
  local out
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$bench" --count "$1" "$2" >/dev/null 2>&1
  callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'
  rm -f "$out"
}
echo
echo "instructions per operation (callgrind, null host):"
n=20000
for route in fader idle_refresh; do
  base=$(count_instructions "$route" 0)
  total=$(count_instructions "$route" "$n")
  echo "  $route: $(( (total - base) / n ))"
done
