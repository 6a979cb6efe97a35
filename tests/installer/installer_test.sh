#!/usr/bin/env bash
# The installers as a user runs them, silent (/S), in the installer tests' own
# fresh 64-bit Wine prefix. Every registry read names its view.
#   installer_test.sh SCENARIO PROBE_X64 PROBE_X86 SETUP_X64 SETUP_X86 VERSION SETUP_UNREGISTRABLE
#   install-uninstall   x64: files, keys, discovery, list entry, nothing in the
#                       home folder; the quiet uninstall command is refused
#                       (exit 2) while Tavrel.dll is in use, then goes through
#                       the hook and leaves the shared value
#   upgrade             x64 over x64: one entry, still registered; refused,
#                       changing nothing, while Tavrel.dll is in use; one whose
#                       registration fails puts the installation back; into a
#                       moved shared-surfaces folder (refused while the old
#                       folder's Tavrel.dll is in use, put back when the
#                       registration or the old uninstaller fails); then an
#                       uninstall without the shared-surfaces value
#   x86-beside-x64      the 32-bit build beside the 64-bit one, the case of a
#                       32-bit host on 64-bit Windows (skipped, exit 77, where
#                       the 32-bit Wine loader cannot start); SETUP_X86 is
#                       made here from build/win32
#   failed-registration an installer whose plug-in writes none of its keys
#                       stops and takes back everything it installed
set -uo pipefail
scenario=$1 probe64=$2 probe86=$3 setup64=$4 setup86=$5 version=$6 setup_bad=$7
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
prefix=$(realpath -m "${TAVREL_WINE_DIR:?}")/prefix
trace=$(realpath -m "$TAVREL_WINE_DIR")/uninstall-$scenario.trace
failures=0
# Every Wine program here sees a scratch home: Wine's menu builder, were it
# not switched off, would put the installers' Start-menu entries there
# instead of on the desktop of the user who runs the tests.
scratch_home=$(realpath -m "$TAVREL_WINE_DIR")/home-$scenario
rm -rf "$scratch_home" && mkdir -p "$scratch_home"
export HOME=$scratch_home XDG_DATA_HOME=$scratch_home/data XDG_CONFIG_HOME=$scratch_home/config

SHARED_KEY='HKLM\SOFTWARE\Merrow Music Software\Shared Surfaces'
LIST_KEY='HKCR\MerrowControlSurfaces'
UNINSTALL_KEYS='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
win_dir() { [ "$1" = x64 ] && echo 'C:\Program Files' || echo 'C:\Program Files (x86)'; }
# The shared-surfaces folder a fresh installation picks; $moved_x64 replaces it.
install_dir() {
  if [ "$1" = x64 ] && [ -n "${moved_x64:-}" ]; then echo "$moved_x64\\Tavrel"; return; fi
  echo "$(win_dir "$1")\\Merrow Music Software\\Shared Surfaces\\Tavrel"
}
unix_dir() { echo "$prefix/drive_c/${1#C:\\}" | tr '\\' '/'; }
view() { [ "$1" = x64 ] && echo 64 || echo 32; }
probe() { [ "$1" = x64 ] && echo "$probe64" || echo "$probe86"; }
# The host's list key is shared by both views; Wine's 64-bit reg does not
# find a shared key through /reg:32, its 32-bit reg does.
reg_of() { [ "$1" = x64 ] && echo reg || echo 'C:\windows\syswow64\reg.exe'; }
menu() { echo "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrel ($1)"; }

run() { "$wine_run" "$@" 2>/dev/null; }
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
has_value() { run reg query "$1" /v "$2" "/reg:$3" | grep -q "$2"; }

install() {
  local arch=$1 setup=$2
  check "$arch installer /S exits 0" run "$setup" /S
}

# The list entry's quiet command, run as a deployment tool runs it: it returns
# when the uninstall has finished, with its result. Only the uninstaller's own
# file and the then empty folder go a moment later (a running program's file
# cannot be deleted).
quiet_uninstall() { WINEDEBUG=+process "$wine_run" "$probe64" quiet-uninstall "$(view "$1")" "Tavrel_$1" 2>"$trace" >/dev/null; }
uninstall() {
  local dir
  dir=$(unix_dir "$(install_dir "$1")")
  quiet_uninstall "$1"
  check "$1 quiet uninstall command exits 0" test $? = 0
  check "$1 nothing but Uninstall.exe left when it returns" test -z "$(ls -A "$dir" 2>/dev/null | grep -vx Uninstall.exe)"
  for _ in $(seq 50); do [ -e "$dir" ] || break; sleep 0.1; done
}

# A running host: the probe keeps FILE loaded until release.
hold() {
  "$wine_run" "$probe64" hold "$1" 60 >"$trace.hold" 2>/dev/null &
  holder=$!
  for _ in $(seq 100); do grep -qs held "$trace.hold" && break; sleep 0.2; done
}
release() { kill -KILL "$holder" 2>/dev/null; wait "$holder" 2>/dev/null; }

# Every file below a Unix folder with its checksum.
snapshot() { (cd "$1" 2>/dev/null && find . -type f -exec sha256sum {} + | sort); }
entry_names() { run reg query "$UNINSTALL_KEYS\\Tavrel_x64" /v InstallLocation /reg:64 | grep -qF "$1"; }
# After a run that was refused or failed: the x64 installation in DIR works
# as it did, its files byte for byte as in the snapshot BEFORE.
expect_unchanged() {
  local what=$1 dir=$2 before=$3
  check "$what: every file as it was" test "$(snapshot "$(unix_dir "$dir")")" = "$before"
  check "$what: registered, naming $dir" run "$probe64" rows-present 64 "$dir\\Tavrel.dll"
  check "$what: list entry names $dir" entry_names "$dir"
  check "$what: shortcut to TavrelReg" test -f "$(menu x64)/Unregister Tavrel (TavrelReg).lnk"
  check "$what: surface created by discovery" run "$probe64" discover
}

# The hook's own command line: the Windows folder, "\SYSTEM32\regsvr32.exe /u /s"
# and the quoted path (the uninstaller's direct call uses the system folder's
# own spelling).
hook_starts() { grep 'CreateProcessInternalW' "$trace" | grep -c 'SYSTEM32\\\\regsvr32.exe /u /s' || true; }
tool_starts() { grep 'CreateProcessInternalW' "$trace" | grep -ci 'regsvr32.exe\\" /u /s\|regsvr32.exe /u /s' || true; }

expect_installed() {
  local arch=$1 dir
  dir=$(install_dir "$arch")
  for f in Tavrel.dll TavrelReg.exe Quillet.dll Uninstall.exe; do
    check "$arch $f in place" test -f "$(unix_dir "$dir")/$f"
  done
  check "$arch shortcut to TavrelReg" test -f "$(menu "$arch")/Unregister Tavrel (TavrelReg).lnk"
  check "$arch registry rows in the $(view "$arch")-bit view" run "$(probe "$arch")" rows-present "$(view "$arch")" "$dir\\Tavrel.dll"
  for value in DisplayName DisplayVersion Publisher InstallLocation EstimatedSize UninstallString QuietUninstallString; do
    check "$arch list entry has $value" has_value "$UNINSTALL_KEYS\\Tavrel_$arch" "$value" "$(view "$arch")"
  done
}

# With the other build still installed only the class keys, which each view
# keeps apart, go: the host's list key is shared and stays for the other.
expect_removed() {
  local arch=$1 keys=${2:-}
  check "$arch files, folder gone" test ! -e "$(unix_dir "$(install_dir "$arch")")"
  check "$arch shortcuts gone" test ! -e "$(menu "$arch")"
  check "$arch registry rows ${keys:+below $keys }gone from the $(view "$arch")-bit view" \
    run "$(probe "$arch")" rows-absent "$(view "$arch")" "$keys"
  check "$arch list entry gone" bash -c "! '$wine_run' reg query '$UNINSTALL_KEYS\\Tavrel_$arch' /reg:$(view "$arch") >/dev/null 2>&1"
}
expect_list_key() { check "host's list key stays" run "$(reg_of "$1")" query "$LIST_KEY" "/reg:$(view "$1")"; }

case "$scenario" in
install-uninstall)
  install x64 "$setup64"
  expect_installed x64
  sleep 3 # Wine's menu builder, where it runs, writes its entries within a second
  check "no menu entry, icon or desktop file in the home folder" test -z "$(find "$scratch_home" -mindepth 1)"
  # TAVREL_CHECK_INSTALLED: a further check of the installed folder (the signing test's).
  [ -z "${TAVREL_CHECK_INSTALLED:-}" ] ||
    check "installed files pass $(basename "$TAVREL_CHECK_INSTALLED")" "$TAVREL_CHECK_INSTALLED" "$(unix_dir "$(install_dir x64)")"
  check "shared-surfaces value written" has_value "$SHARED_KEY" InstallDirectory 64
  check "surface created by discovery through the host's list" run "$probe64" discover
  # A running host holds Tavrel.dll: the quiet uninstall refuses, and says so.
  before=$(snapshot "$(unix_dir "$(install_dir x64)")")
  hold "$(install_dir x64)\\Tavrel.dll"
  quiet_uninstall x64
  check "quiet uninstall while Tavrel.dll is in use exits 2" test $? = 2
  release
  expect_unchanged "after the refused uninstall" "$(install_dir x64)" "$before"
  uninstall x64
  expect_removed x64
  expect_list_key x64
  check "the hook unregistered it, nothing else had to" test "$(hook_starts)/$(tool_starts)" = 1/1
  check "shared-surfaces value stays" has_value "$SHARED_KEY" InstallDirectory 64
  ;;
upgrade)
  install x64 "$setup64"
  install x64 "$setup64"
  expect_installed x64
  check "one list entry" test "$(run reg query "$UNINSTALL_KEYS" /reg:64 | grep -c 'Tavrel_')" = 1
  check "surface created by discovery after the upgrade" run "$probe64" discover
  # A running host holds Tavrel.dll: the silent upgrade cancels, replacing nothing.
  dir=$(unix_dir "$(install_dir x64)")
  touch -d 2020-01-01 "$dir"/*
  hold "$(install_dir x64)\\Tavrel.dll"
  run "$setup64" /S
  check "upgrade while Tavrel.dll is in use exits 2" test $? = 2
  check "and leaves every file as it was" test -z "$(find "$dir" -type f -newermt 2020-01-02)"
  release
  check "still registered" run "$probe64" rows-present 64 "$(install_dir x64)\\Tavrel.dll"
  # An upgrade whose Tavrel.dll does not register: the rows the installed
  # version left must not count, and the installation comes back whole.
  before=$(snapshot "$dir")
  run "$setup_bad" /S
  check "upgrade whose registration fails exits 2" test $? = 2
  expect_unchanged "after the failed upgrade" "$(install_dir x64)" "$before"
  # The shared-surfaces folder moved: the upgrade takes the old installation
  # away, but only once the old folder is free and its uninstaller succeeded,
  # and puts it back when the new registration fails.
  old_dir=$dir old_win=$(install_dir x64)
  moved_x64='C:\Surfaces'
  run reg add "$SHARED_KEY" /v InstallDirectory /d "$moved_x64" /f /reg:64 >/dev/null
  hold "$old_win\\Tavrel.dll"
  run "$setup64" /S
  check "upgrade into the moved folder while the old Tavrel.dll is in use exits 2" test $? = 2
  release
  expect_unchanged "after the refused move" "$old_win" "$before"
  run "$setup_bad" /S
  check "upgrade into the moved folder whose registration fails exits 2" test $? = 2
  expect_unchanged "after the failed move" "$old_win" "$before"
  check "and leaves nothing in the moved folder" test ! -e "$(unix_dir "$moved_x64")/Tavrel"
  mv "$old_dir/Uninstall.exe" "$old_dir.uninstall"
  cp "$probe64" "$old_dir/Uninstall.exe" # a stand-in that exits 2 on these arguments
  before=$(snapshot "$old_dir")
  run "$setup64" /S
  check "upgrade into the moved folder whose old uninstaller fails exits 2" test $? = 2
  expect_unchanged "after the old uninstaller failed" "$old_win" "$before"
  mv "$old_dir.uninstall" "$old_dir/Uninstall.exe"
  install x64 "$setup64"
  check "the installation in the old folder is gone" test ! -e "$old_dir"
  expect_installed x64
  check "one list entry after the move" test "$(run reg query "$UNINSTALL_KEYS" /reg:64 | grep -c 'Tavrel_')" = 1
  run reg delete "$SHARED_KEY" /v InstallDirectory /f /reg:64 >/dev/null
  uninstall x64
  expect_removed x64
  expect_list_key x64
  check "without the shared value the uninstaller unregistered directly" test "$(hook_starts)/$(tool_starts)" = 0/1
  ;;
x86-beside-x64)
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "skipped: the 32-bit Wine loader cannot start on this machine"
    exit 77
  fi
  source_dir=$(cd "$here/../.." && pwd)
  (cd "$source_dir" && cmake --preset win32 >/dev/null &&
    cmake --build --preset win32 --target Tavrel TavrelReg Quillet >/dev/null) || { echo "FAIL: win32 build"; exit 1; }
  bin86=$(dirname "$setup86")/bin-x86
  mkdir -p "$bin86"
  cp "$source_dir"/build/win32/{plugin/server/Tavrel.dll,regtool/TavrelReg.exe,uninstall/Quillet.dll} "$bin86/"
  "$source_dir/installer/build-installer.sh" x86 "$version" "$bin86" "$setup86" || { echo "FAIL: x86 installer"; exit 1; }
  install x64 "$setup64"
  install x86 "$setup86"
  expect_installed x86
  check "x86 surface created by discovery, as a 32-bit host finds it" run "$probe86" discover
  check "x64 rows intact beside x86" run "$probe64" rows-present 64 "$(install_dir x64)\\Tavrel.dll"
  uninstall x86
  expect_removed x86 'CLSID\'
  check "x86 uninstalled through its hook" test "$(hook_starts)" = 1
  check "x64 rows intact after the x86 uninstall" run "$probe64" rows-present 64 "$(install_dir x64)\\Tavrel.dll"
  check "x64 files intact after the x86 uninstall" test -f "$(unix_dir "$(install_dir x64)")/Tavrel.dll"
  uninstall x64
  expect_removed x64
  expect_list_key x64
  ;;
failed-registration)
  run reg delete "$SHARED_KEY" /v InstallDirectory /f /reg:64 >/dev/null
  run "$setup_bad" /S
  check "installer exits 2" test $? = 2
  expect_removed x64
  check "the shared-surfaces value it wrote is gone" bash -c "! '$wine_run' reg query '$SHARED_KEY' /v InstallDirectory /reg:64 >/dev/null 2>&1"
  ;;
*)
  echo "unknown scenario $scenario" >&2
  exit 2
  ;;
esac
echo "$scenario: $failures failed"
[ "$failures" = 0 ]
