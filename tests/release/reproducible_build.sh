#!/usr/bin/env bash
# Tavrel.dll built from two copies of the source tree, in folders of different
# names, one after the other and in different time zones, with the project's
# own flags (the win64 preset): the two files must be byte for byte the same,
# with the build's epoch as their time stamp.
#   reproducible_build.sh SOURCE_DIR WORK_DIR
set -uo pipefail
src=$1 work=$(realpath -m "$2")
check_pe=$src/tests/pe/check_pe.py
epoch=$(bash "$src/scripts/source-date-epoch.sh") || exit 1
rm -rf "$work"

# build FOLDER TZ: copies the tree (the copy has no .git, so the epoch is
# handed over as SOURCE_DATE_EPOCH) and builds the one target.
build() {
  local dir=$work/$1
  mkdir -p "$dir"
  tar -C "$src" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$dir" -xf -
  (cd "$dir" && export SOURCE_DATE_EPOCH=$epoch TZ=$2 &&
    cmake --preset win64 >/dev/null && cmake --build --preset win64 -j "$(nproc)" --target Tavrel >/dev/null) ||
    { echo "FAIL: the build in $dir"; exit 1; }
}
build a UTC
build second-folder Pacific/Kiritimati
one=$work/a/build/win64/plugin/server/Tavrel.dll two=$work/second-folder/build/win64/plugin/server/Tavrel.dll
python3 "$check_pe" "$one" --machine x64 --timestamp "$epoch" || exit 1
if ! cmp "$one" "$two"; then
  echo "FAIL: two builds of Tavrel.dll differ"
  exit 1
fi
echo "ok: Tavrel.dll is the same from $work/a and $work/second-folder ($(stat -c %s "$one") bytes)"
rm -rf "$work"
