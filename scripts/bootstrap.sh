#!/usr/bin/env bash
# Installs, only when missing, the Debian packages that one job needs.
# Idempotent and quiet when everything is present; runs as root.
#   bootstrap.sh [demo|test|bench|fuzz|dist|verify]   (default: test)
#
# Package mirrors are sometimes caught mid-sync: one index fails to download
# ("File has unexpected size ... Mirror sync in progress?") and the packages of
# one architecture stop matching the others. A failed index is therefore a
# warning: the update is retried a few times and then the job goes on with the
# indices that were read. Required packages that still cannot be installed end
# the bootstrap with their names; optional ones (the 32-bit Wine, whose tests
# are then skipped) only warn.
#
# Stand-ins for apt-get, dpkg and dpkg-query can be put first on PATH; the test
# of this script does that. TAVREL_APT_TRIES and TAVREL_APT_PAUSE set the retry.
set -euo pipefail
job=${1:-test}
tries=${TAVREL_APT_TRIES:-3}
pause=${TAVREL_APT_PAUSE:-10}
export DEBIAN_FRONTEND=noninteractive

# What each job needs. `make demo` builds and runs the x64 binaries only, so it
# asks for nothing of i386.
x64=(cmake make g++ python3 googletest mingw-w64 g++-mingw-w64-x86-64-posix mingw-w64-tools
     wine wine64 xvfb xauth libstb-dev)
case "$job" in
demo) required=("${x64[@]}") optional=() ;;
test) required=("${x64[@]}" g++-mingw-w64-i686-posix clang libclang-rt-14-dev libgtest-dev
                libbenchmark-dev valgrind x11-apps imagemagick nsis python3-markdown osslsigncode openssl
                softhsm2 libengine-pkcs11-openssl)
      optional=(wine32:i386) ;;
# The benchmarks of the path through MIDI ports run the x64 build under Wine.
bench) required=("${x64[@]}" libgtest-dev libbenchmark-dev valgrind) optional=() ;;
fuzz) required=(cmake make clang libclang-rt-14-dev) optional=() ;;
# The signing tool only when a key is given (scripts/sign.sh); a key in a
# PKCS#11 token also needs OpenSSL's PKCS#11 engine.
dist) required=("${x64[@]}" g++-mingw-w64-i686-posix nsis python3-markdown git) optional=()
      if [ -n "${TAVREL_SIGN_PKCS12:-}${TAVREL_SIGN_PKCS11_MODULE:-}" ]; then required+=(osslsigncode); fi
      if [ -n "${TAVREL_SIGN_PKCS11_MODULE:-}" ]; then required+=(libengine-pkcs11-openssl); fi ;;
verify) required=(osslsigncode openssl python3) optional=() ;;
*) echo "usage: $0 [demo|test|bench|fuzz|dist|verify]" >&2; exit 2 ;;
esac

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing() { local p; for p in "$@"; do have_pkg "$p" || echo "$p"; done; }

update_indices() {
  local i
  for ((i = 1; i <= tries; i++)); do
    if apt-get update -qq >/tmp/tavrel-apt-update.log 2>&1; then return 0; fi
    if ((i < tries)); then
      echo "bootstrap: apt-get update failed (try $i of $tries); again in ${pause} s" >&2
      sleep "$pause"
    fi
  done
  echo "bootstrap: warning: some package indices could not be read; going on with the others:" >&2
  grep -E '^(E|W):' /tmp/tavrel-apt-update.log | sed 's/^/  /' | head -n 5 >&2 || true
}

# Installs the packages in one go; when that fails, one by one, so that one
# package that cannot be had does not keep the others out. Prints the names
# of those that could not be installed. Nothing installed is ever removed to
# make room: on a mirror whose architectures disagree, apt would otherwise
# take the 64-bit Wine away to put the 32-bit one in.
install_each() {
  if apt-get install -y -qq --no-install-recommends --no-remove "$@" >/dev/null 2>&1; then return 0; fi
  if [ $# -eq 1 ]; then echo "$1"; return 0; fi
  local p
  for p in "$@"; do
    apt-get install -y -qq --no-install-recommends --no-remove "$p" >/dev/null 2>&1 || echo "$p"
  done
}

# install_set WHAT PACKAGES...: installs what is missing, or says what cannot be.
install_set() {
  local what=$1 failed
  shift
  [ $# -gt 0 ] || return 0
  echo "bootstrap: installing $*"
  mapfile -t failed < <(install_each "$@")
  [ ${#failed[@]} -gt 0 ] || return 0
  if [ "$what" = required ]; then
    echo "bootstrap: error: cannot install ${failed[*]}, which 'make $job' needs" >&2
    exit 1
  fi
  echo "bootstrap: warning: cannot install ${failed[*]} now; the x86 Wine tests will be skipped" >&2
}

mapfile -t need < <(missing "${required[@]}")
mapfile -t want < <(missing "${optional[@]}")
[ ${#need[@]} -gt 0 ] || [ ${#want[@]} -gt 0 ] || exit 0
if [ ${#want[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# Only optional packages missing: one try, so that a machine that cannot have
# them does not wait on every run.
[ ${#need[@]} -gt 0 ] || tries=1
update_indices
install_set required "${need[@]}"
install_set optional "${want[@]}"
exit 0
