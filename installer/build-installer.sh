#!/usr/bin/env bash
# Builds one installer. The registry checks come from the plug-in's own table
# (plugin/server/registry_rows.h), printed by a small generator built with the
# build machine's compiler.
#   build-installer.sh ARCH VERSION BIN_DIR OUTPUT [GUIDE_DIR]
#   ARCH x64|x86; BIN_DIR holds Tavrel.dll, TavrelReg.exe and Quillet.dll;
#   GUIDE_DIR, when given, holds user-guide.html and its pictures.
# The same inputs give the same installer: makensis stores each file's
# modification time, so the files go in with the build's epoch
# (scripts/source-date-epoch.sh) as their time. With a signing key
# (scripts/sign.sh) makensis signs the installer and the uninstaller it holds.
set -euo pipefail
[ $# -ge 4 ] || { echo "usage: $0 ARCH VERSION BIN_DIR OUTPUT [GUIDE_DIR]" >&2; exit 2; }
arch=$1 version=$2 bin=$(realpath "$3") out=$(realpath -m "$4") guide=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
for f in Tavrel.dll TavrelReg.exe Quillet.dll; do
  [ -f "$bin/$f" ] || { echo "build-installer: $bin/$f is missing" >&2; exit 1; }
done

epoch=$(bash "$source_dir/scripts/source-date-epoch.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$bin"/{Tavrel.dll,TavrelReg.exe,Quillet.dll} "$work/bin/"
bin=$work/bin
if [ -n "$guide" ]; then
  cp -r "$guide" "$work/guide"
  guide=$work/guide
fi
find "$work" -exec touch -h -d "@$epoch" {} +
${CXX:-g++} -std=c++20 -Wall -Wextra -Werror -I"$source_dir/plugin/server" \
  "$here/registry_checks.cpp" -o "$work/registry_checks"
"$work/registry_checks" > "$work/registry_checks.nsh"

defines=(-DARCH="$arch" -DVERSION="$version" -DBIN="$bin" -DROWS="$work/registry_checks.nsh" -DOUTFILE="$out")
if [ -n "$guide" ]; then defines+=(-DGUIDE="$guide"); fi
signing=0
bash "$source_dir/scripts/sign.sh" --key || signing=$?
case "$signing" in
0) defines+=(-DSIGN="$source_dir/scripts/sign.sh") ;;
1) ;;
*) exit 1 ;;
esac
mkdir -p "$(dirname "$out")"
# -WX: a warning of makensis fails the build, as the compilers' do.
makensis -V2 -WX -NOCD "${defines[@]}" "$here/tavrel.nsi"
