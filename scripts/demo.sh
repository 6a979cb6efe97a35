#!/usr/bin/env bash
# The main job: builds the x64 binaries, registers Tavrel.dll in a fresh Wine
# prefix with regsvr32, and runs the showcase script in TavrelSim with the
# traffic monitor on. TavrelSim finds the plug-in as a host does (the host's
# list of surfaces and CoCreateInstance); the pictures stay in the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
dir=build/win64/demo-wine
out=build/win64/demo
cmake --preset win64 >/dev/null
# The fresh Wine prefix is made while the compilers run.
trap 'scripts/wine-session.sh stop "$dir" >/dev/null' EXIT
scripts/wine-session.sh start "$dir" win64 >/dev/null &
session=$!
cmake --build --preset win64 -j "$(nproc)" --target Tavrel TavrelSim >/dev/null
wait $session
export TAVREL_WINE_DIR=$dir
scripts/wine-run.sh regsvr32 /s "Z:$(realpath build/win64/plugin/server/Tavrel.dll)"
rm -rf "$out" && mkdir -p "$out"
scripts/wine-run.sh build/win64/tools/TavrelSim.exe --list --monitor \
  --snapshots "Z:$(realpath "$out")" --script "Z:$(realpath examples/showcase.txt)"
echo
echo "demo done in $(( $(date +%s) - start )) s; pictures in $out:"
ls "$out"
