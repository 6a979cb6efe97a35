#!/usr/bin/env bash
# Starts or stops the Wine session that a Windows build's tests run in:
# a fresh WINEPREFIX inside the build folder and an Xvfb display for anything
# that opens a window. Both are stopped by PID; nothing is left running.
#   wine-session.sh start DIR ARCH [MIDI_DRIVER]   (ARCH: win64 or win32)
#   wine-session.sh stop DIR
# MIDI_DRIVER, the tests' loopback MIDI driver (tests/loopback), goes into the
# prefix's system folder and first into its list of sound drivers; it takes
# over only in processes that set TAVREL_MIDI_LOOPBACK, so the others keep
# the prefix's usual drivers.
set -euo pipefail
cmd=$1 dir=$(realpath -m "$2")  # Wine wants an absolute WINEPREFIX
# winemenubuilder is off: test prefixes never add menu entries or file
# associations to the desktop of the user who runs them.
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

stop() {
  if [ -d "$WINEPREFIX" ]; then /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true; fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" >/dev/null 2>&1 || true
    rm -f "$dir/xvfb.pid"
  fi
}

case "$cmd" in
start)
  stop
  rm -rf "$dir"
  mkdir -p "$dir"
  # -displayfd picks a free display, so parallel sessions never collide.
  exec 3> "$dir/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  echo $! > "$dir/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do [ -s "$dir/xvfb.display" ] && break; sleep 0.1; done
  [ -s "$dir/xvfb.display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$dir/xvfb.display")"
  echo "$3" > "$dir/arch"
  # The prefix links its user folders (Desktop, Documents, ...) into $HOME
  # when it is made: a home of its own keeps test programs out of the user's.
  mkdir -p "$dir/home"
  if [ "$3" = win64 ]; then
    HOME="$dir/home" WINEARCH=win64 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  else
    HOME="$dir/home" WINEARCH=win32 wine wineboot -i >/dev/null 2>&1
  fi
  # Keep the server up between test programs: each start of wine is faster.
  /usr/lib/wine/wineserver64 -p >/dev/null 2>&1 || true
  if [ -n "${4:-}" ]; then
    if [ -f "$4" ]; then
      cp "$4" "$WINEPREFIX/drive_c/windows/system32/"
      loader=$([ "$3" = win64 ] && echo /usr/lib/wine/wine64 || echo wine)
      if "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d tavrelloop,pulse,alsa,oss,coreaudio /f \
        >/dev/null 2>&1; then
        echo "wine session: loopback MIDI driver $(basename "$4") installed"
      else
        echo "wine session: the prefix's list of sound drivers could not be set: no loopback MIDI driver" >&2
      fi
    else
      echo "wine session: no loopback MIDI driver at $4 (not built yet): the prefix goes without it"
    fi
  fi
  echo "wine session ready: prefix $WINEPREFIX, display $DISPLAY"
  ;;
stop)
  stop
  echo "wine session stopped"
  ;;
*) echo "usage: $0 start DIR ARCH | stop DIR" >&2; exit 2 ;;
esac
