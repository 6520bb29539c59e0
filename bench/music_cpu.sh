#!/usr/bin/env bash
# What the music costs in CPU while the demo plays: runs BUILD_DIR's demo
# for SECONDS on a private Xvfb, with SDL's disk audio driver writing to
# /dev/null at a sound card's pace, and prints the CPU time of its threads
# other than the main one and the software GL driver's (llvmpipe): the audio
# callback, the decoding threads and SDL's audio writer. Once with the
# build's data.dat, then with a one-sample Ogg Vorbis, FLAC and WAV file
# looping (made with ffmpeg), the case where a decoder that rereads its file
# per loop burns a core.
# Usage: music_cpu.sh BUILD_DIR [SECONDS]   (default 10)
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-10}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
ticks=$(getconf CLK_TCK)

# Prints the music threads' CPU seconds after the demo has played $2 in $1.
measure() {
  local dir=$1 file=$2 pid
  cp "$build/demo" "$build/libdemobass.so" "$dir/" && cp "$file" "$dir/data.dat"
  (cd "$dir" && DISPLAY=:$(cat "$work/display") SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
     exec ./demo 2>/dev/null) &
  pid=$!
  sleep "$seconds"
  for task in /proc/$pid/task/*; do
    [ "${task##*/}" = "$pid" ] || echo "$(cat "$task/comm") $(cut -d' ' -f14,15 "$task/stat")"
  done | awk -v ticks="$ticks" -v what="$3" -v s="$seconds" '
    $1 !~ /^llvmpipe/ { cpu += $(NF - 1) + $NF }
    END { printf "%-28s %6.2f s CPU in %s s\n", what, cpu / ticks, s }'
  kill -TERM $pid && wait $pid || true
}

mkdir "$work/tune" && measure "$work/tune" "$build/data.dat" "data.dat (the tune)"
# One stereo frame at half full scale.
ffmpeg -loglevel error -f lavfi -i "aevalsrc=0.5|0.5:s=44100,atrim=end_sample=1" "$work/one.wav"
for kind in ogg flac wav; do
  [ $kind = wav ] || ffmpeg -loglevel error -i "$work/one.wav" "$work/one.$kind"
  mkdir "$work/$kind" && measure "$work/$kind" "$work/one.$kind" "one-sample $kind, looping"
done
