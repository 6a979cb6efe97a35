#!/usr/bin/env bash
# Makes the distribution from built binaries, the same bytes for the same inputs:
#   package.sh STAGE_DIR OUT_DIR VERSION
# STAGE_DIR holds x64/ and x86/, each with Tavrel.dll, TavrelReg.exe,
# Quillet.dll and, where built, TavrelSim.exe; an architecture that is absent
# is left out (make dist always has both). OUT_DIR receives
# Tavrel-VERSION-ARCH-setup.exe, Tavrel-VERSION-windows.zip and SHA256SUMS.
# With a signing key (scripts/sign.sh) every .dll and .exe is signed before it
# is packed, and so are the installers and their uninstallers; without one
# the files are unsigned, and it says so.
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
[ $# = 3 ] || { echo "usage: $0 STAGE_DIR OUT_DIR VERSION" >&2; exit 2; }
stage_in=$(realpath "$1") out=$(realpath -m "$2") version=$3
SOURCE_DATE_EPOCH=$(bash "$here/source-date-epoch.sh")
export SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
mkdir -p "$stage" "$out"

archs=()
for arch in x64 x86; do
  [ -d "$stage_in/$arch" ] || continue
  cp -r "$stage_in/$arch" "$stage/$arch"
  archs+=("$arch")
done
[ ${#archs[@]} -gt 0 ] || { echo "package: $stage_in has neither x64/ nor x86/" >&2; exit 1; }

signing=0
bash "$here/sign.sh" --key || signing=$?
case "$signing" in
0)
  if [ -n "${TAVREL_SIGN_TIMESTAMP_URL:-}" ]; then
    when="time-stamped by $TAVREL_SIGN_TIMESTAMP_URL (not reproducible)"
  else
    when="signing time $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC') (the build's epoch)"
  fi
  echo "package: signing every .dll and .exe, both installers and their uninstallers; $when"
  for arch in "${archs[@]}"; do bash "$here/sign.sh" "$stage/$arch"/*.dll "$stage/$arch"/*.exe; done
  ;;
1) echo "package: no signing key (TAVREL_SIGN_PKCS12 or TAVREL_SIGN_PKCS11_MODULE): the files are unsigned" ;;
*) exit 1 ;;
esac

# Debian's Python, with Debian's Markdown and zlib, whatever python3 is first
# on PATH: the guide's HTML and the zip's compressed bytes depend on them.
python=/usr/bin/python3

# The user guide as one HTML page with its pictures, when it exists.
guide=()
if [ -f "$root/docs/user-guide.md" ]; then
  $python "$root/installer/guide_html.py" "$root/docs/user-guide.md" "$stage/guide" "$version"
  guide=("$stage/guide")
else
  echo "package: docs/user-guide.md does not exist: installers and zip go without the guide"
fi

sums=()
for arch in "${archs[@]}"; do
  setup=Tavrel-$version-$arch-setup.exe
  echo "package: $setup"
  "$root/installer/build-installer.sh" "$arch" "$version" "$stage/$arch" "$out/$setup" "${guide[@]}"
  sums+=("$setup")
done

zip=Tavrel-$version-windows.zip
echo "package: $zip"
sed "s/@VERSION@/$version/g" "$root/installer/README-windows.txt" | sed 's/$/\r/' > "$stage/README.txt"
rm -f "$out/$zip"
$python "$root/installer/make_zip.py" "$stage" "$out/$zip" "Tavrel-$version" "$SOURCE_DATE_EPOCH"
sums+=("$zip")

(cd "$out" && sha256sum "${sums[@]}" > SHA256SUMS)
