#!/usr/bin/env bash
# TavrelSim through the loopback MIDI cable, in the build's Wine session:
#   - the real plug-in with the simulator's host on one side (host_side.txt)
#     and the surface alone on the other (surface_side.txt): gestures reach
#     the host model, the host's changes come back as lights and digits, a
#     flood ends in a count of what was dropped and a close while input flows;
#   - a port that will not open (exit code 2), the host's output failing
#     while open (reported, the run goes on, it opens again);
#   - the window of the surface alone: its Ports menu and its monitor.
#   cable_test.sh WINE_RUN SIM DLL LOOPBACK_CTL HERE WORK_DIR
set -uo pipefail
run=$1 sim=$2 dll=Z:$3 ctl=$4 here=Z:$5 work=$6
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
ctl() { "$run" "$ctl" "$@"; }
surface() { "$run" "$sim" --surface "$@"; }
listening() { ctl status | grep -q "Loop $1: .*listener [1-9]"; }
ctl reset

# --- The two sides --------------------------------------------------------
surface --midi-in "Tavrel Loop B" --midi-out "Tavrel Loop A" --script "$here/surface_side.txt" >surface.log 2>&1 &
surface_pid=$!
for _ in $(seq 300); do listening B && break; sleep 0.1; done  # the host's first lights must find it listening
"$run" "$sim" --dll "$dll" --midi-in "Tavrel Loop A" --midi-out "Tavrel Loop B" --script "$here/host_side.txt" \
  --monitor >host.log 2>&1
host=$?
wait "$surface_pid"
surface_rc=$?
check "the host side's script passes, its references balanced" test $host = 0
check "the surface side's script passes" test $surface_rc = 0
counted=$(sed -n 's/.*MIDI input "Tavrel Loop A": \([0-9]*\) messages received, \([0-9]*\) dropped.*/\1 + \2/p' host.log)
delivered=$(ctl status | sed -n 's/^Tavrel Loop A: .* delivered \([0-9]*\),.*/\1/p')
echo "host: received + dropped = ${counted:-none}; the cable delivered ${delivered:-?}"
check "every message the cable delivered to the host was taken or counted as dropped" \
  test -n "$counted" -a "$(( ${counted:-0} ))" = "${delivered:-x}"
check "the host's input closed cleanly while the flood flowed" bash -c "! grep -q 'did not close' host.log"
[ "$host" = 0 ] || tail -n 30 host.log
[ "$surface_rc" = 0 ] || tail -n 5 surface.log

# --- Ports that fail -------------------------------------------------------
ctl unplug B open
surface --midi-in "Tavrel Loop B" >closed.log 2>&1
check "a port that will not open ends the run with exit code 2" test $? = 2
check "  and says which" grep -q 'cannot open MIDI input "Tavrel Loop B"' closed.log
ctl plug B

# The host's output opens, then every send fails: reported once each time
# it was open, the run goes on, and the port opens again.
ctl unplug B send
printf '%s\n' 'host mute 3 on' 'refresh' 'say still running' 'port out "Tavrel Loop B"' 'host mute 4 on' 'refresh' \
  >fails.txt
"$run" "$sim" --dll "$dll" --midi-out "Tavrel Loop B" --script fails.txt >fails.log 2>&1
check "a port that fails while open leaves the run going" test $? = 0
check "  reported once each time it was open" \
  test "$(grep -c 'MIDI output "Tavrel Loop B" failed: .*the session goes on without it' fails.log)" = 2
check "  the script went on" grep -q '^still running' fails.log
ctl plug B

# --- The window of the surface alone ----------------------------------------
surface --window-test "$here/ports_window.txt" >window.log 2>&1
check "the window's Ports menu opens ports and its monitor shows the traffic" test $? = 0 ||
  tail -n 5 window.log

echo "cable: $failures failed"
[ "$failures" = 0 ]
