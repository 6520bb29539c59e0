#!/usr/bin/env bash
# The whole script, frame for frame, three runs: every pass's result, scene,
# frame count, fading flag, swing (compared as a number) and tick against
# traces computed independently of this code (data/reference), and every
# pass's canvas CRC-32 against the record of this program's own pictures
# (data/canvas-crc), so a change to any pixel of any frame of these runs shows.
# The CRCs depend on the font and picture assets: after a deliberate change to
# what the demo draws, look at the new frames, then record them again with
#   demo-capture --trace [--keys K] | cut -d' ' -f8 > tests/data/canvas-crc/NAME.crc
# Usage: reference_trace_test.sh BUILD_DIR
set -u
build=$1
data=$(dirname "$0")/data/reference
crcs=$(dirname "$0")/data/canvas-crc
failures=0
check() {
  local name=$1 keys=$2
  local trace
  trace=$(mktemp)
  "$build/demo-capture" --trace ${keys:+--keys "$keys"} >"$trace" || { echo "FAIL: $name: capture failed"; failures=$((failures + 1)); return; }
  local mismatch
  mismatch=$(paste -d ' ' "$data/$name.state" "$trace" "$crcs/$name.crc" | awk '
    NF != 16 { print "line " NR ": lengths differ"; exit }
    $15 != $16 { print "pass " NR ": canvas CRC " $15 ", recorded " $16; exit }
    $1 != $8 || $2 != $9 || $3 != $10 || $4 != $11 || $5 != $12 || ($6 + 0) != ($13 + 0) || $7 != $14 {
      print "line " NR ": expected " $1 " " $2 " " $3 " " $4 " " $5 " " $6 " " $7 ", got " $8 " " $9 " " $10 " " $11 " " $12 " " $13 " " $14; exit }')
  if [ -z "$mismatch" ] && [ "$(wc -l <"$trace")" -eq "$(wc -l <"$data/$name.state")" ]; then
    echo "ok: $name ($(wc -l <"$trace") passes)"
  else
    echo "FAIL: $name: ${mismatch:-line counts differ}"
    failures=$((failures + 1))
  fi
  rm -f "$trace"
}
check nokeys ""
check keys-700-space "700:space"
check keys-2500-space_2500-space_4000-escape "2500:space,2500:space,4000:escape"
echo "$((3 - failures)) passed, $failures failed"
[ $failures -eq 0 ]
