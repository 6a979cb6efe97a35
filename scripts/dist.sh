#!/usr/bin/env bash
# make dist: builds both Windows builds and writes into dist/
#   Tavrel-<version>-x64-setup.exe, Tavrel-<version>-x86-setup.exe,
#   Tavrel-<version>-windows.zip and SHA256SUMS (scripts/package.sh).
# The version is the CMake project version (top CMakeLists.txt). Every time
# stamp is the commit's time (scripts/source-date-epoch.sh), so two builds of
# one commit give the same bytes (make reproduce checks that); with a key in
# the environment (scripts/sign.sh) the files are signed.
#   dist.sh [OUT_DIR]   (default dist/)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export LC_ALL=C
umask 022
jobs=$(nproc)
out=$(realpath -m "${1:-$root/dist}")
stage=$root/build/dist
SOURCE_DATE_EPOCH=$(bash scripts/source-date-epoch.sh)
export SOURCE_DATE_EPOCH
# A bad key fails here, before the builds.
signing=0
bash scripts/sign.sh --key || signing=$?
[ "$signing" -le 1 ] || exit 1
rm -rf "$out" "$stage"
mkdir -p "$out" "$stage"

for preset in win64 win32; do
  targets=(Tavrel TavrelReg Quillet TavrelSim)
  echo "dist: building $preset (${targets[*]})"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target "${targets[@]}" >/dev/null
  arch=$([ "$preset" = win64 ] && echo x64 || echo x86)
  dir=$stage/$arch
  mkdir -p "$dir"
  cp build/$preset/plugin/server/Tavrel.dll build/$preset/regtool/TavrelReg.exe build/$preset/uninstall/Quillet.dll \
     build/$preset/tools/TavrelSim.exe "$dir/"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
[ -n "$version" ] || { echo "dist: no project version in build/win64/CMakeCache.txt" >&2; exit 1; }

bash scripts/package.sh "$stage" "$out" "$version"
echo "dist: wrote"
ls -l "$out"
