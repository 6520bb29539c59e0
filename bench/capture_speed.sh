#!/usr/bin/env bash
# The capture tool's speed and its videos' fidelity, on the whole script:
#   - the trace (`demo-capture --trace`), in loop passes per second;
#   - the video at the default settings and at --scale 2, as a multiple of
#     real time (the video's length over the time it took to make);
#   - the worst and mean PSNR of every frame of both videos against a
#     lossless capture of the same run (video_psnr).
# Wall and CPU (user + sys) seconds are printed with the load average: on a
# busy machine the wall times are pessimistic. Takes a few minutes.
# Usage: capture_speed.sh BUILD_DIR [SCRATCH_DIR]
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=${2:-$(mktemp -d)}
mkdir -p "$scratch"
cd "$build"  # the soundtrack, data.dat, is read from the working directory

# timed LABEL COMMAND...: runs it, sets $wall and $cpu (seconds).
timed() {
  local label=$1 times user sys
  shift
  times=$(mktemp)
  /usr/bin/time -o "$times" -f "%e %U %S" "$@" >/dev/null
  read -r wall user sys <"$times"
  rm -f "$times"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.2f", u + s}')
  echo "$label: $wall s wall, $cpu s CPU (load: $(cut -d' ' -f1-3 /proc/loadavg))"
}

passes=$(./demo-capture --trace | wc -l)
timed "trace of $passes passes" ./demo-capture --trace
echo "  = $(awk -v n="$passes" -v t="$wall" 'BEGIN {printf "%.0f", n / t}') passes/s" \
     "(the numpy model: about 585 passes/s; the goal: 1750)"

./demo-capture --lossless --video "$scratch/exact.mp4"
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$scratch/exact.mp4")
for scale in 1 2; do
  rm -f "$scratch/scale-$scale.mp4"
  timed "video at --scale $scale ($length s)" ./demo-capture --scale "$scale" --video "$scratch/scale-$scale.mp4"
  echo "  = $(awk -v l="$length" -v t="$wall" 'BEGIN {printf "%.2f", l / t}') x real time," \
       "$(stat -c %s "$scratch/scale-$scale.mp4" | awk '{printf "%.0f", $1 / 1e6}') MB;" \
       "$(./video_psnr "$scratch/exact.mp4" "$scratch/scale-$scale.mp4" "$scale")"
done
