#!/usr/bin/env bash
# A session recorded by the simulator itself (--capture-in), replayed through
# --midi-in-file and through the --record script, makes the same host calls
# and leaves the same project. Then captures that are bad input, and ports
# that do not exist.
#   capture_replay.sh WINE_RUN SIM_EXE DLL_PATH SCRIPT SCRATCH_DIR
set -uo pipefail
run=$1 sim=$2 dll=Z:$3 script=Z:$4 dir=$5
rm -rf "$dir" && mkdir -p "$dir"
failed=0
fail() { echo "FAIL $*"; failed=1; }
sim() { "$run" "$sim" --dll "$dll" "$@" 2>&1; }
host_calls() { grep -o ' host .*' "$1" | grep -v QueryInterface; }

sim --script "$script" --monitor --project "Z:$dir/session.txt" --capture-in "Z:$dir/capture.txt" \
  --midi-out-file "Z:$dir/out.bin" --record "Z:$dir/recorded.txt" > "$dir/session.log" || fail "the session: $(tail -n3 "$dir/session.log")"
sim --midi-in-file "Z:$dir/capture.txt" --monitor --project "Z:$dir/replay.txt" > "$dir/replay.log" || fail "the replay: $(tail -n3 "$dir/replay.log")"
sim --script "Z:$dir/recorded.txt" --monitor --project "Z:$dir/rerun.txt" > "$dir/rerun.log" || fail "the recorded script: $(tail -n3 "$dir/rerun.log")"
host_calls "$dir/session.log" > "$dir/session.calls"
[ "$(grep -c SetParam "$dir/session.calls")" -gt 100 ] && grep -q RunCommand "$dir/session.calls" && grep -q SetNowTime "$dir/session.calls" ||
  fail "the session made too few host calls to compare"
for replay in replay rerun; do
  host_calls "$dir/$replay.log" | diff "$dir/session.calls" - > "$dir/$replay.diff" || fail "$replay: host calls differ: $(head -n5 "$dir/$replay.diff")"
  cmp -s "$dir/session.txt" "$dir/$replay.txt" || fail "$replay: the project differs: $(diff "$dir/session.txt" "$dir/$replay.txt" | head -n4)"
done
size=$(stat -c %s "$dir/out.bin")
[ "$size" -gt 0 ] && [ $((size % 3)) -eq 0 ] || fail "--midi-out-file wrote $size bytes"
[ $failed -eq 0 ] && echo "ok   session replayed: $(wc -l < "$dir/session.calls") host calls, the same project"

expect() {  # expect NAME CODE PATTERN -- ARGS...
  local name=$1 code=$2 pattern=$3
  shift 4
  out=$(sim "$@"); rc=$?
  if [ $rc -ne "$code" ] || ! grep -q -- "$pattern" <<<"$out"; then
    fail "$name: exit $rc, output: $(grep -v '^ALSA' <<<"$out")"
  else
    echo "ok   $name: $(grep -- "$pattern" <<<"$out" | head -n1)"
  fi
}
# Junk, a message cut short by the next status, a good fader move, then a cut-off message.
printf '\x01\x02\xbf\x03\xbf\x03\x40\xbe' > "$dir/garbled.bin"
expect "garbled capture: junk reported" 2 'garbled.bin: byte 0: 2 stray data bytes skipped' -- --midi-in-file "Z:$dir/garbled.bin"
expect "garbled capture: cut short" 2 'byte 2: message cut short (1 of 2 data bytes) by status bf at byte 4' -- --midi-in-file "Z:$dir/garbled.bin"
expect "garbled capture: the sound part plays" 2 'in  bf 03 40  fader 3 = 64' -- --midi-in-file "Z:$dir/garbled.bin" --monitor
expect "garbled capture: truncated end" 2 'byte 7: message cut short (0 of 2 data bytes) at the end' -- --midi-in-file "Z:$dir/garbled.bin"
{ printf 'f0 7f'; for _ in $(seq 1100); do printf ' 00'; done; printf ' f7\n+5ms f0 7f 00 06 47 03 41 05 00 f7\n+5ms bf 03 zz\n'; } > "$dir/oversized.txt"
expect "oversized sysex dropped" 2 'byte 0 (line 1): system-exclusive message of 1103 bytes is over the limit of 1024; dropped' -- \
  --midi-in-file "Z:$dir/oversized.txt"
expect "the shuttle after it plays" 2 'shuttle -133' -- --midi-in-file "Z:$dir/oversized.txt" --monitor --pace
expect "a token that is no byte" 2 'oversized.txt: line 3: "zz" is not a hex byte; skipped' -- --midi-in-file "Z:$dir/oversized.txt"
expect "no such capture" 2 'cannot read the capture' -- --midi-in-file "Z:$dir/none.txt"
# This machine's Wine has no MIDI system: a port asked for is not there.
expect "ports listed" 0 'MIDI inputs: ' -- --list-ports
expect "no MIDI input" 2 'no MIDI input "0"' -- --midi-in 0
expect "no MIDI output, what exists listed" 2 'MIDI outputs: ' -- --midi-out "Tavrel Port"
exit $failed
