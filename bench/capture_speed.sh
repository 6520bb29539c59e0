#!/usr/bin/env bash
# The capture tool's speed and its videos' fidelity, on the whole script:
#   - the trace (`demo-capture --trace`), in loop passes per second;
#   - the video at the default settings (H.264 4:2:0 at 2x) and with
#     --yuv444 (4:4:4 at 1x), as a multiple of real time (the video's length
#     over the time it took to make), and its size;
#   - the worst and mean PSNR of every frame of both videos against a
#     lossless capture of the same run (video_psnr): of the brightness plane
#     for the default, whose colour players blend, of R, G and B for 4:4:4.
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
# video NAME SCALE PSNR-MODE [OPTIONS...]
video() {
  local name=$1 scale=$2 mode=$3
  shift 3
  rm -f "$scratch/$name.mp4"
  timed "video $name ($length s)" ./demo-capture "$@" --video "$scratch/$name.mp4"
  echo "  = $(awk -v l="$length" -v t="$wall" 'BEGIN {printf "%.2f", l / t}') x real time," \
       "$(stat -c %s "$scratch/$name.mp4" | awk '{printf "%.0f", $1 / 1e6}') MB;" \
       "$(./video_psnr $mode "$scratch/exact.mp4" "$scratch/$name.mp4" "$scale")"
}
video default 2 --luma
video yuv444 1 "" --yuv444
