#!/usr/bin/env bash
# make verify: checks a distribution as a user can, and says what it checked:
# every sum in SHA256SUMS and, where files are signed, the Authenticode
# signature of each installer and of every .dll and .exe in the zip.
#   verify.sh [--ca CA.pem] [--tsa-ca TSA.pem] [--rebuilt DIR] DIST_DIR
#   --ca      the certificate authority (PEM) that the signatures must lead
#             to; every file must then be signed. Without it signed files are
#             checked against the system's authorities and unsigned ones are
#             named as such.
#   --tsa-ca  the authority of a time-stamp server, for time-stamped signatures
#   --rebuilt the dist/ of one's own build of the same commit: every file must
#             be the same, but for signatures: a program or DLL of the zip
#             must have the same Authenticode digest (what a signature signs,
#             whoever signs it and whenever), and a signed installer, which
#             holds signed files that only the key can make again, is only named
# Ends with "N passed, N failed"; exit 0 when nothing failed.
set -uo pipefail
ca="" tsa="" rebuilt=""
while [ $# -gt 1 ]; do
  case "$1" in
  --ca) ca=$(realpath "$2"); shift 2 ;;
  --tsa-ca) tsa=$(realpath "$2"); shift 2 ;;
  --rebuilt) rebuilt=$(realpath "$2"); shift 2 ;;
  *) break ;;
  esac
done
[ $# = 1 ] || { echo "usage: $0 [--ca CA.pem] [--tsa-ca TSA.pem] [--rebuilt DIR] DIST_DIR" >&2; exit 2; }
dist=$1
here=$(cd "$(dirname "$0")" && pwd)
command -v osslsigncode >/dev/null || { echo "verify: needs osslsigncode (scripts/bootstrap.sh verify)" >&2; exit 2; }
[ -z "$ca" ] || [ -f "$ca" ] || { echo "verify: $ca does not exist" >&2; exit 2; }
[ -z "$rebuilt" ] || [ -d "$rebuilt" ] || { echo "verify: $rebuilt is not a folder" >&2; exit 2; }
[ -s "$dist/SHA256SUMS" ] || { echo "verify: $dist/SHA256SUMS is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0 unsigned=0 sums=0 signatures=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

verify_args=()
[ -z "$ca" ] || verify_args+=(-CAfile "$ca")
[ -z "$tsa" ] || verify_args+=(-TSA-CAfile "$tsa")
signed() {
  rm -f "$work/signature"
  osslsigncode extract-signature -in "$1" -out "$work/signature" >/dev/null 2>&1
}

# check_signature FILE NAME
check_signature() {
  local file=$1 name=$2 log=$work/log
  signatures=$((signatures + 1))
  if ! signed "$file"; then
    if [ -n "$ca" ]; then fail "$name is not signed"; else echo "unsigned: $name"; unsigned=$((unsigned + 1)); fi
    return
  fi
  if osslsigncode verify "${verify_args[@]}" -in "$file" >"$log" 2>&1; then
    local signer stamp
    signer=$(grep -m1 'Subject:' "$log" | sed 's/.*Subject: *//')
    stamp=$(grep -m1 -iE 'Timestamp time:|signature is timestamped:' "$log" | sed 's/^[^:]*: *//')
    # osslsigncode accepts a signature whose time stamp it cannot check, as
    # of today; say so rather than call it time-stamped.
    if [ -n "$stamp" ] && grep -qi 'Timestamp Server Signature verification: failed' "$log"; then
      stamp="$stamp, but the time stamp's authority is not trusted here (--tsa-ca)"
    fi
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
    python3 "$here/zip_entries.py" programs "$dist/$name" "$work/zip" >"$work/entries" ||
      { fail "$name cannot be read as a zip"; continue; }
    while IFS=$'\t' read -r i entry; do check_signature "$work/zip/$i" "$name: $entry"; done <"$work/entries"
    rm -rf "$work/zip"
    ;;
  esac
done

# The Authenticode digest of a program or DLL. An unsigned one is signed
# first, with a throwaway key: the digest does not depend on the key.
digest() {
  local file=$1
  if ! signed "$file"; then
    if [ ! -f "$work/throwaway.key" ]; then
      openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=throwaway -keyout "$work/throwaway.key" \
        -out "$work/throwaway.pem" >/dev/null 2>&1 || return 1
    fi
    rm -f "$work/digest.bin"
    osslsigncode sign -certs "$work/throwaway.pem" -key "$work/throwaway.key" -h sha256 -in "$file" \
      -out "$work/digest.bin" >/dev/null 2>&1 || return 1
    file=$work/digest.bin
  fi
  osslsigncode verify -in "$file" 2>/dev/null | sed -n 's/^ *Calculated message digest *: *\([0-9A-Fa-f]*\).*/\1/p' | head -n 1
}

# compare_zip NAME: the entries of the zip against the rebuild's.
compare_zip() {
  mkdir -p "$work/compare"
  python3 "$here/zip_entries.py" compare "$dist/$1" "$rebuilt/$1" "$work/compare" >"$work/compared" ||
    { fail "$1 or the rebuild's cannot be read as a zip"; return; }
  local kind entry ours theirs a b
  while IFS=$'\t' read -r kind entry ours theirs; do
    case "$kind" in
    same) pass "$1: $entry is the rebuild's" ;;
    only) fail "$1: $entry is in one of the two zips only" ;;
    differs)
      a=$(digest "$ours") b=$(digest "$theirs")
      if [[ "$entry" == *.dll || "$entry" == *.exe ]] && [ -n "$a" ] && [ "$a" = "$b" ]; then
        pass "$1: $entry has the rebuild's Authenticode digest ${a:0:16}..."
      else
        fail "$1: $entry differs from the rebuild's"
      fi
      ;;
    esac
  done <"$work/compared"
  rm -rf "$work/compare"
}

if [ -n "$rebuilt" ]; then
  for name in "${listed[@]}"; do
    if [ ! -f "$rebuilt/$name" ]; then
      fail "the rebuild has no $name"
    elif cmp -s "$dist/$name" "$rebuilt/$name"; then
      pass "$name is byte for byte the rebuild's"
    elif [[ "$name" == *.zip ]]; then
      compare_zip "$name"
    elif [[ "$name" == *.exe ]] && signed "$dist/$name"; then
      echo "not compared: $name is signed; its programs and DLLs are those of the zip"
    else
      fail "$name differs from the rebuild's"
    fi
  done
fi

what="$sums sums and the signatures of $signatures files"
if [ -n "$ca" ]; then what+=" against $ca"; else what+=" against the system's authorities"; fi
[ "$unsigned" = 0 ] || what+=" ($unsigned files unsigned)"
[ -z "$rebuilt" ] || what+=", and compared them with the rebuild in $rebuilt"
echo "verify: checked $what"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
