#!/usr/bin/env bash
# make verify: checks a distribution as a user can, and says what it checked:
# every sum in SHA256SUMS and, where files are signed, the Authenticode
# signature of each installer and of every .dll and .exe in the zip.
#   verify.sh [--ca CA.pem] [--tsa-ca TSA.pem] DIST_DIR
#   --ca      the certificate authority (PEM) that the signatures must lead
#             to; every file must then be signed. Without it signed files are
#             checked against the system's authorities and unsigned ones are
#             named as such.
#   --tsa-ca  the authority of a time-stamp server, for time-stamped signatures
# Ends with "N passed, N failed"; exit 0 when nothing failed.
set -uo pipefail
ca="" tsa=""
while [ $# -gt 1 ]; do
  case "$1" in
  --ca) ca=$(realpath "$2"); shift 2 ;;
  --tsa-ca) tsa=$(realpath "$2"); shift 2 ;;
  *) break ;;
  esac
done
[ $# = 1 ] || { echo "usage: $0 [--ca CA.pem] [--tsa-ca TSA.pem] DIST_DIR" >&2; exit 2; }
dist=$1
command -v osslsigncode >/dev/null || { echo "verify: needs osslsigncode (scripts/bootstrap.sh verify)" >&2; exit 2; }
[ -z "$ca" ] || [ -f "$ca" ] || { echo "verify: $ca does not exist" >&2; exit 2; }
[ -s "$dist/SHA256SUMS" ] || { echo "verify: $dist/SHA256SUMS is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0 unsigned=0 sums=0 signatures=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

verify_args=()
[ -z "$ca" ] || verify_args+=(-CAfile "$ca")
[ -z "$tsa" ] || verify_args+=(-TSA-CAfile "$tsa")
# check_signature FILE NAME
check_signature() {
  local file=$1 name=$2 log=$work/log
  signatures=$((signatures + 1))
  rm -f "$work/signature"
  if ! osslsigncode extract-signature -in "$file" -out "$work/signature" >/dev/null 2>&1; then
    if [ -n "$ca" ]; then fail "$name is not signed"; else echo "unsigned: $name"; unsigned=$((unsigned + 1)); fi
    return
  fi
  if osslsigncode verify "${verify_args[@]}" -in "$file" >"$log" 2>&1; then
    local signer stamp
    signer=$(grep -m1 'Subject:' "$log" | sed 's/.*Subject: *//')
    stamp=$(grep -m1 -i 'Timestamp time:' "$log" | sed 's/.*: *//')
    pass "signature of $name: signed by $signer${stamp:+, time-stamped $stamp}"
  else
    fail "signature of $name:"
    grep -iE 'mismatch|fail|error|unable|invalid' "$log" | grep -vx 'Failed' | head -n 5 | sed 's/^/  /'
  fi
}

listed=()
while read -r sum name; do
  name=${name#\*}
  if [[ -z "$name" || "$name" == */* || "$name" == .* ]]; then
    fail "SHA256SUMS names '$name', which is not a file of this folder"
    continue
  fi
  if [ ! -f "$dist/$name" ]; then
    fail "$name is listed in SHA256SUMS but missing"
    continue
  fi
  sums=$((sums + 1))
  actual=$(sha256sum <"$dist/$name" | cut -d' ' -f1)
  if [ "$actual" = "$sum" ]; then pass "sha256 of $name"; listed+=("$name"); else fail "sha256 of $name is $actual, SHA256SUMS says $sum"; fi
done <"$dist/SHA256SUMS"

for name in "${listed[@]}"; do
  case "$name" in
  *.exe) check_signature "$dist/$name" "$name" ;;
  *.zip)
    # Each program and DLL of the zip, unpacked under a number (never under
    # the path the archive gives it).
    mkdir -p "$work/zip"
    python3 - "$dist/$name" "$work/zip" >"$work/entries" <<'PY' || { fail "$name cannot be read as a zip"; continue; }
import pathlib, sys, zipfile
out = pathlib.Path(sys.argv[2])
with zipfile.ZipFile(sys.argv[1]) as z:
    for i, info in enumerate(e for e in z.infolist() if e.filename.lower().endswith((".dll", ".exe"))):
        (out / str(i)).write_bytes(z.read(info))
        print(i, info.filename)
PY
    while read -r i entry; do check_signature "$work/zip/$i" "$name: $entry"; done <"$work/entries"
    rm -rf "$work/zip"
    ;;
  esac
done

what="$sums sums and the signatures of $signatures files"
if [ -n "$ca" ]; then what+=" against $ca"; else what+=" against the system's authorities"; fi
[ "$unsigned" = 0 ] || what+=" ($unsigned files unsigned)"
echo "verify: checked $what"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
