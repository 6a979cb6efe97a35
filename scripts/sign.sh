#!/usr/bin/env bash
# Signs Windows programs and DLLs in place with Authenticode (osslsigncode),
# with the key that the environment names:
#   TAVREL_SIGN_PKCS12          a PKCS#12 file: the certificate, its chain and the key
#   TAVREL_SIGN_PKCS11_MODULE   or a PKCS#11 module (the token's .so), with
#     TAVREL_SIGN_PKCS11_KEY      the key's PKCS#11 URI (pkcs11:object=...;type=private)
#     TAVREL_SIGN_PKCS11_CERT     the certificate: a PKCS#11 URI or a PEM file (with its chain)
#   TAVREL_SIGN_PASSWORD_FILE   a file that holds the password of the PKCS#12 file
#                               or the token's PIN (or TAVREL_SIGN_PASSWORD, the text)
#   TAVREL_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server; without it the
#                               signing time is SOURCE_DATE_EPOCH
# A signature with a fixed signing time is as reproducible as the file it signs
# (for an RSA key and the same osslsigncode); a time stamp differs on every run.
#   sign.sh FILE...   signs each file (exit 1 when one cannot be signed)
#   sign.sh --key     exit 0 when a key is given, 1 when none is, 2 when the
#                     settings are incomplete (and says what is wrong)
set -euo pipefail

key_given() {
  if [ -n "${TAVREL_SIGN_PKCS12:-}" ] && [ -n "${TAVREL_SIGN_PKCS11_MODULE:-}" ]; then
    echo "sign: set TAVREL_SIGN_PKCS12 or TAVREL_SIGN_PKCS11_MODULE, not both" >&2
    return 2
  fi
  if [ -n "${TAVREL_SIGN_PKCS12:-}" ]; then
    [ -f "$TAVREL_SIGN_PKCS12" ] || { echo "sign: TAVREL_SIGN_PKCS12=$TAVREL_SIGN_PKCS12 does not exist" >&2; return 2; }
  elif [ -n "${TAVREL_SIGN_PKCS11_MODULE:-}" ]; then
    [ -f "$TAVREL_SIGN_PKCS11_MODULE" ] || { echo "sign: TAVREL_SIGN_PKCS11_MODULE=$TAVREL_SIGN_PKCS11_MODULE does not exist" >&2; return 2; }
    [ -n "${TAVREL_SIGN_PKCS11_KEY:-}" ] && [ -n "${TAVREL_SIGN_PKCS11_CERT:-}" ] ||
      { echo "sign: a PKCS#11 key needs TAVREL_SIGN_PKCS11_KEY and TAVREL_SIGN_PKCS11_CERT" >&2; return 2; }
  else
    return 1
  fi
  if [ -n "${TAVREL_SIGN_PASSWORD_FILE:-}" ] && [ ! -f "$TAVREL_SIGN_PASSWORD_FILE" ]; then
    echo "sign: TAVREL_SIGN_PASSWORD_FILE=$TAVREL_SIGN_PASSWORD_FILE does not exist" >&2
    return 2
  fi
  command -v osslsigncode >/dev/null || { echo "sign: osslsigncode is not installed (scripts/bootstrap.sh sign)" >&2; return 2; }
}

if [ "${1:-}" = --key ]; then
  key_given
  exit
fi
[ $# -gt 0 ] || { echo "usage: $0 FILE... | --key" >&2; exit 2; }
rc=0
key_given || rc=$?
[ "$rc" = 0 ] || { [ "$rc" = 1 ] && echo "sign: no key given (TAVREL_SIGN_PKCS12 or TAVREL_SIGN_PKCS11_MODULE)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
args=(-h sha256 -n Tavrel)
if [ -n "${TAVREL_SIGN_PKCS12:-}" ]; then
  args+=(-pkcs12 "$TAVREL_SIGN_PKCS12")
else
  args+=(-pkcs11module "$TAVREL_SIGN_PKCS11_MODULE" -key "$TAVREL_SIGN_PKCS11_KEY")
  if [ -f "$TAVREL_SIGN_PKCS11_CERT" ]; then args+=(-certs "$TAVREL_SIGN_PKCS11_CERT"); else args+=(-pkcs11cert "$TAVREL_SIGN_PKCS11_CERT"); fi
fi
# The password goes through a file, never the command line, which every
# user of the machine can read.
if [ -n "${TAVREL_SIGN_PASSWORD_FILE:-}" ]; then
  args+=(-readpass "$TAVREL_SIGN_PASSWORD_FILE")
elif [ -n "${TAVREL_SIGN_PASSWORD:-}" ]; then
  (umask 077 && printf '%s' "$TAVREL_SIGN_PASSWORD" > "$work/password")
  args+=(-readpass "$work/password")
fi
if [ -n "${TAVREL_SIGN_TIMESTAMP_URL:-}" ]; then
  args+=(-ts "$TAVREL_SIGN_TIMESTAMP_URL")
else
  epoch=$(bash "$(dirname "$0")/source-date-epoch.sh")
  args+=(-time "$epoch")
fi

for file in "$@"; do
  # osslsigncode writes a new file (older versions refuse to overwrite one).
  signed=$work/signed
  rm -f "$signed"
  if ! osslsigncode sign "${args[@]}" -in "$file" -out "$signed" >"$work/log" 2>&1; then
    echo "sign: cannot sign $file:" >&2
    sed 's/^/  /' "$work/log" >&2
    exit 1
  fi
  cat "$signed" > "$file"
done
