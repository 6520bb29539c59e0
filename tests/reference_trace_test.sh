#!/usr/bin/env bash
# The whole script, frame for frame, three runs: every pass's result, scene,
# frame count, fading flag, swing (compared as a number) and tick against
# traces computed independently of this code (data/reference), and every
# pass's canvas CRC-32 against the record of this program's own pictures
# (data/canvas-crc), so a change to any pixel of any frame of these runs shows.
# The CRCs depend on the font and picture assets: after a deliberate change to
# what the demo draws, look at the new frames, then record them again with
#   demo-capture --trace [--keys K] | cut -d' ' -f8 > tests/data/canvas-crc/NAME.crc
# The web page's test mode is held to the same records (web/tests/browser_test.mjs).
# Usage: reference_trace_test.sh BUILD_DIR [RUN...], RUN one of the names
# below (all three by default). DEMO_CAPTURE names another capture program
# and DEMO_CAPTURE_RUNNER what runs it: the Windows tests give
# `wine` and build/windows/demo-capture.exe, whose lines end in CR LF.
set -u
build=$1
capture=${DEMO_CAPTURE:-$build/demo-capture}
data=$(dirname "$0")/data
failures=0
check() {
  local name=$1 keys=$2 trace mismatch
  trace=$(${DEMO_CAPTURE_RUNNER:-} "$capture" --trace ${keys:+--keys "$keys"} | tr -d '\r'
    exit "${PIPESTATUS[0]}") || trace="capture failed"
  # paste pads a shorter file with empty fields, so a run of another length shows as NF != 16.
  mismatch=$(paste -d ' ' "$data/reference/$name.state" <(echo "$trace") "$data/canvas-crc/$name.crc" | awk '
    NF != 16 { print "pass " NR ": " $0 " (a run of another length?)"; exit }
    $15 != $16 { print "pass " NR ": canvas CRC " $15 ", recorded " $16; exit }
    $1 != $8 || $2 != $9 || $3 != $10 || $4 != $11 || $5 != $12 || ($6 + 0) != ($13 + 0) || $7 != $14 {
      print "pass " NR ": expected " $1 " " $2 " " $3 " " $4 " " $5 " " $6 " " $7 ", got " $8 " " $9 " " $10 " " $11 " " $12 " " $13 " " $14; exit }')
  [ -z "$mismatch" ] && echo "ok: $name ($(echo "$trace" | wc -l) passes)" && return
  echo "FAIL: $name: $mismatch"
  failures=$((failures + 1))
}
declare -A keysOf=([nokeys]="" [keys-700-space]="700:space"
  [keys-2500-space_2500-space_4000-escape]="2500:space,2500:space,4000:escape")
shift
runs=("$@")
[ ${#runs[@]} -eq 0 ] && runs=(nokeys keys-700-space keys-2500-space_2500-space_4000-escape)
for run in "${runs[@]}"; do
  [ -v "keysOf[$run]" ] || { echo "no recorded run named $run" >&2; exit 2; }
  check "$run" "${keysOf[$run]}"
done
echo "$((${#runs[@]} - failures)) passed, $failures failed"
[ $failures -eq 0 ]
