#!/usr/bin/env bash
# make dist: builds both Windows builds and writes into dist/
#   Tavrel-<version>-x64-setup.exe, Tavrel-<version>-x86-setup.exe,
#   Tavrel-<version>-windows.zip and SHA256SUMS.
# The version is the CMake project version (top CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
out=$root/dist
stage=$root/build/dist
rm -rf "$out" "$stage"
mkdir -p "$out" "$stage"

# The host simulator ships when the build has it: TavrelSim.exe is built by
# tools/sim, which is not in every checkout yet; without it the zip holds
# the three other files of each build.
have_sim=0
if grep -qs 'TavrelSim' tools/CMakeLists.txt tools/*/CMakeLists.txt; then have_sim=1; fi

declare -A bin_dir=()
for preset in win64 win32; do
  targets=(Tavrel TavrelReg Quillet)
  [ "$have_sim" = 1 ] && targets+=(TavrelSim)
  echo "dist: building $preset (${targets[*]})"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target "${targets[@]}" >/dev/null
  arch=$([ "$preset" = win64 ] && echo x64 || echo x86)
  dir=$stage/$arch
  mkdir -p "$dir"
  cp build/$preset/plugin/server/Tavrel.dll build/$preset/regtool/TavrelReg.exe build/$preset/uninstall/Quillet.dll "$dir/"
  if [ "$have_sim" = 1 ]; then
    sim=$(find build/$preset/tools -name TavrelSim.exe -print -quit)
    [ -n "$sim" ] || { echo "dist: TavrelSim.exe was not built in build/$preset" >&2; exit 1; }
    cp "$sim" "$dir/"
  fi
  bin_dir[$arch]=$dir
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)
[ -n "$version" ] || { echo "dist: no project version in build/win64/CMakeCache.txt" >&2; exit 1; }

# The user guide as one HTML page with its pictures, when it exists.
guide=()
if [ -f docs/user-guide.md ]; then
  python=python3
  $python -c 'import markdown' 2>/dev/null || python=/usr/bin/python3
  $python installer/guide_html.py docs/user-guide.md "$stage/guide" "$version"
  guide=("$stage/guide")
else
  echo "dist: docs/user-guide.md does not exist yet: installers and zip go without the guide"
fi

for arch in x64 x86; do
  echo "dist: Tavrel-$version-$arch-setup.exe"
  installer/build-installer.sh "$arch" "$version" "${bin_dir[$arch]}" "$out/Tavrel-$version-$arch-setup.exe" "${guide[@]}"
done

echo "dist: Tavrel-$version-windows.zip"
sed "s/@VERSION@/$version/g" installer/README-windows.txt | sed 's/$/\r/' > "$stage/README.txt"
python3 - "$stage" "$out/Tavrel-$version-windows.zip" "Tavrel-$version" <<'PY'
import pathlib, sys, zipfile
stage, archive, top = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for part in ["README.txt", "x64", "x86", "guide"]:
        path = stage / part
        files = [path] if path.is_file() else sorted(p for p in path.rglob("*") if p.is_file())
        for f in files:
            z.write(f, f"{top}/{f.relative_to(stage).as_posix()}")
PY

(cd "$out" && sha256sum Tavrel-"$version"-* > SHA256SUMS)
echo "dist: wrote"
ls -l "$out"
