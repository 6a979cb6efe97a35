#!/usr/bin/env bash
# Checks a Windows binary's tables with objdump: it imports only the system
# DLLs listed, and (optionally) exports exactly the plain names listed.
#   check_binary.sh OBJDUMP FILE "dll dll ..." ["export export ..."]
set -euo pipefail
objdump=$1 file=$2 allowed=$3 exports=${4-}
table=$("$objdump" -p "$file")
status=0
for dll in $(grep -oP 'DLL Name: \K\S+' <<<"$table" | tr 'A-Z' 'a-z'); do
  if ! grep -qwi -- "$dll" <<<"$allowed"; then echo "unexpected import: $dll"; status=1; fi
done
if [ -n "$exports" ]; then
  found=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" | tail -n +2 | grep -oP '\]\s+\K\S+' | sort | xargs)
  want=$(tr ' ' '\n' <<<"$exports" | sort | xargs)
  if [ "$found" != "$want" ]; then echo "exports: '$found', expected '$want'"; status=1; fi
fi
[ $status = 0 ] && echo "ok: $file"
exit $status
