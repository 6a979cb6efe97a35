#!/usr/bin/env bash
# Runs one Windows program under Wine inside the session that
# scripts/wine-session.sh started (TAVREL_WINE_DIR names its folder).
set -euo pipefail
dir=$(realpath -m "${TAVREL_WINE_DIR:?TAVREL_WINE_DIR is not set}")
export WINEPREFIX="$dir/prefix" WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -s "$dir/xvfb.display" ]; then export DISPLAY=":$(head -n1 "$dir/xvfb.display")"; fi
# x64 programs go straight to the 64-bit loader; the wine launcher picks the
# 32-bit loader for x86 programs.
if [ "$(cat "$dir/arch" 2>/dev/null)" = win64 ]; then exec /usr/lib/wine/wine64 "$@"; fi
exec wine "$@"
