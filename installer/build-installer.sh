#!/usr/bin/env bash
# Builds one installer. The registry checks come from the plug-in's own table
# (plugin/server/registry_rows.h), printed by a small generator built with the
# build machine's compiler.
#   build-installer.sh ARCH VERSION BIN_DIR OUTPUT [GUIDE_DIR]
#   ARCH x64|x86; BIN_DIR holds Tavrel.dll, TavrelReg.exe and Quillet.dll;
#   GUIDE_DIR, when given, holds user-guide.html and its pictures.
set -euo pipefail
[ $# -ge 4 ] || { echo "usage: $0 ARCH VERSION BIN_DIR OUTPUT [GUIDE_DIR]" >&2; exit 2; }
arch=$1 version=$2 bin=$(realpath "$3") out=$(realpath -m "$4") guide=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
for f in Tavrel.dll TavrelReg.exe Quillet.dll; do
  [ -f "$bin/$f" ] || { echo "build-installer: $bin/$f is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
${CXX:-g++} -std=c++20 -Wall -Wextra -Werror -I"$source_dir/plugin/server" \
  "$here/registry_checks.cpp" -o "$work/registry_checks"
"$work/registry_checks" > "$work/registry_checks.nsh"

defines=(-DARCH="$arch" -DVERSION="$version" -DBIN="$bin" -DROWS="$work/registry_checks.nsh" -DOUTFILE="$out")
if [ -n "$guide" ]; then defines+=(-DGUIDE="$(realpath "$guide")"); fi
mkdir -p "$(dirname "$out")"
# -WX: a warning of makensis fails the build, as the compilers' do.
makensis -V2 -WX -NOCD "${defines[@]}" "$here/tavrel.nsi"
