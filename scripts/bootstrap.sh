#!/usr/bin/env bash
# Installs, only when missing, the Debian packages that the builds and tests
# need. Idempotent and quiet when everything is present; runs as root.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# i386 is needed for the 32-bit Wine that runs the x86 binaries.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  NEED_UPDATE=1
fi

for p in cmake make g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev \
         libbenchmark-dev valgrind \
         mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools \
         wine wine64 wine32:i386 xvfb xauth x11-apps imagemagick python3 \
         nsis python3-markdown; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "bootstrap: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
elif [ "${NEED_UPDATE:-0}" = 1 ]; then
  apt-get update -qq
fi

