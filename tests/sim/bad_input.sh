#!/usr/bin/env bash
# TavrelSim's answers to bad input: each case must exit with code 2, say what
# was tried or what is wrong, and leave a damaged project file as it was.
#   bad_input.sh WINE_RUN SIM_EXE DLL_PATH SCRATCH_DIR
set -uo pipefail
run=$1 sim=$2 dll=$3 dir=$4
mkdir -p "$dir"
failed=0
expect() {  # expect NAME PATTERN -- ARGS...
  local name=$1 pattern=$2
  shift 3
  out=$("$run" "$sim" "$@" 2>&1); rc=$?
  if [ $rc -ne 2 ] || ! grep -q -- "$pattern" <<<"$out"; then
    echo "FAIL $name: exit $rc, output: $out"; failed=1
  else
    echo "ok   $name: $(grep -- "$pattern" <<<"$out" | head -n1)"
  fi
}
expect "DLL that cannot be loaded" 'cannot load "Z:/no/such/Tavrel.dll"' -- --dll Z:/no/such/Tavrel.dll
expect "class the DLL does not serve" 'does not serve class {00000000-0000-0000-0000-000000000001}' -- \
  --dll "Z:$dll" --clsid '{00000000-0000-0000-0000-000000000001}'
expect "surface not registered" 'MerrowControlSurfaces' -- --clsid '{00000000-0000-0000-0000-000000000001}'
printf 'TavrelSim project 1\nsurface {875363BB-FC50-4350-8E52-FFEF845D52E3}\nsettings 01 02\n' > "$dir/damaged.txt"
cp "$dir/damaged.txt" "$dir/damaged.orig"
expect "damaged project" 'damaged.txt:3: settings hold 30 bytes, found 2' -- --dll "Z:$dll" --project "Z:$dir/damaged.txt"
cmp -s "$dir/damaged.txt" "$dir/damaged.orig" || { echo "FAIL the damaged project was overwritten"; failed=1; }
printf 'TavrelSim project 1\nsurface {00000000-0000-0000-0000-000000000002}\n' > "$dir/other.txt"
expect "project of another surface" 'a project of surface {00000000-0000-0000-0000-000000000002}' -- \
  --dll "Z:$dll" --project "Z:$dir/other.txt"
rm -rf "$dir/folder.txt" "$dir/folder.txt.new" && mkdir -p "$dir/folder.txt/inside" && echo 'say started' > "$dir/say.txt"
expect "project that is a folder" 'folder.txt: the project cannot be read: it is a folder' -- \
  --dll "Z:$dll" --project "Z:$dir/folder.txt" --script "Z:$dir/say.txt"
[ -d "$dir/folder.txt/inside" ] && [ ! -e "$dir/folder.txt.new" ] || { echo "FAIL the folder project was touched"; failed=1; }
printf 'TavrelSim project 1\nsurface {875363BB-FC50-4350-8E52-FFEF845D52E3}\ntransport now 9223372036854775000 punch-in 0 punch-out 0 record-mode overwrite takes 0\n' > "$dir/far.txt"
expect "now time past the host's range" "far.txt:3: now time 9223372036854775000 is outside the host's times" -- \
  --dll "Z:$dll" --project "Z:$dir/far.txt" --script "Z:$dir/say.txt"
printf 'fader 3 64\nfader 40 1\npress F10\n' > "$dir/bad-script.txt"
expect "script with bad lines" 'bad-script.txt:2: fader 40 is outside 0..31' -- --dll "Z:$dll" --script "Z:$dir/bad-script.txt"
exit $failed
