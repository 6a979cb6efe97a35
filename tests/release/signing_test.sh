#!/usr/bin/env bash
# A signed distribution, made as make dist makes it, with a throwaway
# certificate authority and code-signing certificate: every file verifies
# against that authority and not against another, a signature survives a
# second build unchanged, a key in a PKCS#11 token signs too, an unsigned rebuild has the same code and one with a
# changed byte has not, one flipped byte fails verification, and the
# signed installer installs (with a signed uninstaller) and uninstalls
# under Wine (the installer tests' install-uninstall scenario).
#   signing_test.sh WORK_DIR VERSION PROBE_X64 BINARY...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(realpath -m "$1") version=$2 probe=$3
shift 3
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
fails() { ! "$@"; }
unsigned() { (unset TAVREL_SIGN_PKCS12 && "$@"); }
quiet() { "$@" >/dev/null 2>&1; }
rm -rf "$work"
mkdir -p "$work/stage/x64"
cp "$@" "$work/stage/x64/"
cd "$work" || exit 1

# authority NAME: a self-signed certificate authority NAME.pem, NAME.key.
authority() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -keyout "$1.key" -out "$1.pem" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
}
authority test-ca && authority other-ca || { echo "FAIL: openssl cannot make the authorities"; exit 1; }
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl req -newkey rsa:2048 -nodes -subj "/CN=Tavrel test publisher" -keyout signer.key -out signer.csr 2>/dev/null &&
  openssl x509 -req -in signer.csr -CA test-ca.pem -CAkey test-ca.key -CAcreateserial -days 2 -extfile signer.ext \
    -out signer.pem 2>/dev/null &&
  printf 'pass word' >password &&
  openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile test-ca.pem -passout file:password -out signer.p12 ||
  { echo "FAIL: openssl cannot make the code-signing certificate"; exit 1; }

unset TAVREL_SIGN_PKCS11_MODULE TAVREL_SIGN_PASSWORD TAVREL_SIGN_TIMESTAMP_URL
export TAVREL_SIGN_PKCS12=$work/signer.p12 TAVREL_SIGN_PASSWORD_FILE=$work/password
# package OUT [STAGE]; verify CA DIST [--rebuilt DIR] (its report in DIST.verify)
package() { bash "$root/scripts/package.sh" "${2:-stage}" "$1" "$version" >"$1.log" 2>&1 || { cat "$1.log"; return 1; }; }
verify() { bash "$root/scripts/verify.sh" --ca "$1" "${@:3}" "$2" >"$2.verify" 2>&1; }
check "a signed distribution is made" package dist || exit 1
setup=dist/Tavrel-$version-x64-setup.exe
# Test-only parts never ship: no file of the tests' loopback cable (its
# driver, its switch program, its test) in the zip, nor (below) installed.
test_only='winetavrelloop\.drv|loopback_ctl\.exe|loopback_tests\.exe'
none_test_only() {
  local names
  names=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$1") || return 1
  ! grep -Eiq "$test_only" <<<"$names"
}
check "no file of the loopback cable in the zip" none_test_only "dist/Tavrel-$version-windows.zip"
check "every file verifies against the authority" verify test-ca.pem dist
check "the installer and each of the $# binaries in the zip were checked" \
  test "$(grep -c '^ok: signature of .*signed by .*Tavrel test publisher' dist.verify)" = $(($# + 1))
check "no file verifies against another authority" fails verify other-ca.pem dist
check "a second build with the same key is the same" package again
check "  byte for byte" cmp -s dist/SHA256SUMS again/SHA256SUMS

# A user's own unsigned build of the same files has the same code; one that
# differs by one byte in Tavrel.dll has not.
flip() { python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1; open(sys.argv[1], "wb").write(b)' "$1"; }
check "an unsigned rebuild is made" unsigned package rebuilt
check "the signed distribution has the rebuild's code" verify test-ca.pem dist --rebuilt rebuilt
cp -r stage stage-changed && flip stage-changed/x64/Tavrel.dll
check "a rebuild with one byte changed is made" unsigned package changed stage-changed
check "  and found to differ" fails verify test-ca.pem dist --rebuilt changed
check "  in Tavrel.dll" grep -q '^FAIL: .*Tavrel.dll differs' dist.verify

# The same key in a PKCS#11 token (SoftHSM) signs as well.
export SOFTHSM2_CONF=$work/softhsm2.conf
mkdir tokens && printf 'directories.tokendir = %s/tokens\nobjectstore.backend = file\n' "$work" >softhsm2.conf
openssl pkcs8 -topk8 -nocrypt -in signer.key -out signer.pk8 && cat signer.pem test-ca.pem >chain.pem && printf 1234 >pin
softhsm2-util --init-token --free --label tavrel --pin 1234 --so-pin 5678 >/dev/null &&
  softhsm2-util --import signer.pk8 --token tavrel --label signer --id 01 --pin 1234 >/dev/null
cp stage/x64/Tavrel.dll token-signed.dll
check "a key in a PKCS#11 token signs" unsigned env TAVREL_SIGN_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so \
  TAVREL_SIGN_PKCS11_KEY='pkcs11:token=tavrel;object=signer;type=private' TAVREL_SIGN_PKCS11_CERT="$work/chain.pem" \
  TAVREL_SIGN_PASSWORD_FILE="$work/pin" bash "$root/scripts/sign.sh" token-signed.dll
check "  and the file verifies" quiet osslsigncode verify -CAfile test-ca.pem -in token-signed.dll

# One flipped byte in the signed installer, its sum made again to match: the
# signature alone must catch it.
cp -r dist flipped
flip "flipped/${setup#dist/}"
(cd flipped && sha256sum Tavrel-* >SHA256SUMS)
check "a flipped byte fails verification" fails verify test-ca.pem flipped
check "  at the installer's signature" grep -q "^FAIL: signature of ${setup#dist/}" flipped.verify

# Installed under Wine: the files it writes, the uninstaller among them, are
# signed, and the installer's own checks of installing and uninstalling pass.
cat >check-installed.sh <<SH
#!/bin/sh
if ls -R "\$1" | grep -Eiq '$test_only'; then echo "a file of the loopback cable is installed"; exit 1; fi
for f in Tavrel.dll TavrelReg.exe Quillet.dll Uninstall.exe; do
  osslsigncode verify -CAfile '$work/test-ca.pem' -in "\$1/\$f" >/dev/null 2>&1 || { echo "\$f: not signed by the test authority"; exit 1; }
done
SH
chmod +x check-installed.sh
export TAVREL_CHECK_INSTALLED=$work/check-installed.sh
check "the signed installer installs and uninstalls under Wine" \
  "$root/tests/installer/installer_test.sh" install-uninstall "$probe" unused "$work/$setup" unused "$version" unused

echo "signing: $failures failed"
[ "$failures" = 0 ]
