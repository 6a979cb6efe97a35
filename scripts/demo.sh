#!/usr/bin/env bash
# The main job: builds the Windows binaries (x64) and runs the host simulator
# under Wine, printing what the host receives and what the surface shows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" >/dev/null
dir=build/win64/demo-wine
trap 'scripts/wine-session.sh stop "$dir" >/dev/null' EXIT
scripts/wine-session.sh start "$dir" win64 >/dev/null
TAVREL_WINE_DIR=$dir scripts/wine-run.sh build/win64/tools/host_sim.exe
