#!/usr/bin/env bash
# The bootstrap against a package mirror caught mid-sync: stand-ins for
# apt-get, dpkg and dpkg-query on PATH report nothing installed, fail every
# `apt-get update`, and can install wine32:i386 only by removing wine64; they
# refuse $REFUSE, when set.
set -uo pipefail
bootstrap=$(realpath "$(dirname "$0")/../../scripts/bootstrap.sh")
bin=$(mktemp -d) && trap 'rm -rf "$bin"' EXIT
log=$bin/calls
cat > "$bin/apt-get" <<'SH'
#!/bin/sh
echo "apt-get $*" >> "$CALLS"
case "$1" in update) echo "E: Failed to fetch i386/Packages.xz  File has unexpected size. Mirror sync in progress?"; exit 100 ;; esac
for p in "$@"; do
  case "$p" in
  wine32:i386) # as apt does on such a mirror: the 64-bit Wine would have to go
    case " $* " in *" --no-remove "*) echo "E: Packages need to be removed but remove is disabled."; exit 100 ;; esac
    echo "removed wine64" >> "$CALLS" ;;
  "$REFUSE") echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;;
  esac
done
SH
printf '#!/bin/sh\nexit 1\n' > "$bin/dpkg-query"
printf '#!/bin/sh\necho "dpkg $*" >> "$CALLS"\n' > "$bin/dpkg"
chmod +x "$bin"/*
failures=0
run() { # run NAME JOB EXPECTED-EXIT [REFUSE]
  : > "$log"
  out=$(CALLS=$log REFUSE=${4:-none} PATH="$bin:$PATH" TAVREL_APT_PAUSE=0 bash "$bootstrap" "$2" 2>&1)
  rc=$?
  [ "$rc" = "$3" ] || { echo "FAIL $1: exit $rc, expected $3"; echo "$out"; failures=$((failures + 1)); }
}
check() { # check NAME PATTERN TEXT: PATTERN must be found in TEXT
  grep -qE "$2" <<<"$3" || { echo "FAIL $1: no /$2/ in:"; echo "$3"; failures=$((failures + 1)); }
}
refute() { ! grep -qE "$2" <<<"$3" || { echo "FAIL $1: /$2/ found in:"; echo "$3"; failures=$((failures + 1)); }; }

run "test job goes on past the mirror" test 0
check "update tried three times" '^3$' "$(grep -c '^apt-get update' "$log")"
check "failed index reported" 'package indices could not be read' "$out"
check "x64 packages installed" 'install .*g\+\+-mingw-w64-x86-64-posix' "$(cat "$log")"
check "32-bit Wine reported" 'cannot install wine32:i386 now; the x86 Wine tests will be skipped' "$out"
refute "nothing removed to make room for it" 'removed wine64' "$(cat "$log")"

run "demo job" demo 0
refute "demo asks for nothing of i386" 'i386' "$(cat "$log")"

run "missing x64 tool" test 1 g++-mingw-w64-x86-64-posix
check "missing x64 tool named" "error: cannot install g\+\+-mingw-w64-x86-64-posix, which 'make test' needs" "$out"

[ "$failures" = 0 ] && echo "bootstrap: every case passed"
exit $((failures > 0))
