#!/usr/bin/env bash
# Benchmarks (native Release): the Google Benchmark table, then instructions
# per message from callgrind for the fader and the idle refresh, which are
# stable from run to run: (instructions for N - instructions for 0) / N.
# Then the path through MIDI ports: the x64 Tavrel.dll under the simulator's
# host, in a Wine session of its own with the tests' loopback cable
# (bench/cable_bench.cpp), 10,000 messages each way.
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

echo
echo "through MIDI ports (x64 under Wine 8.0, the tests' loopback cable):"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target cable_bench Tavrel tavrel_loopback_driver >/dev/null
session=$PWD/build/win64/bench-wine
scripts/wine-session.sh start "$session" win64 build/win64/tests/loopback/winetavrelloop.drv >/dev/null
trap 'scripts/wine-session.sh stop "$session" >/dev/null' EXIT
echo "  machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)" \
  "at $(sed -n 's/^cpu MHz[[:space:]]*: \([0-9]*\).*/\1/p' /proc/cpuinfo | head -n1) MHz," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
TAVREL_WINE_DIR=$session TAVREL_MIDI_LOOPBACK=1 scripts/wine-run.sh build/win64/bench/cable_bench.exe \
  --dll "Z:$PWD/build/win64/plugin/server/Tavrel.dll" --count 10000 --refresh-ms 5
echo "  load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
