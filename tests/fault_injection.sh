#!/usr/bin/env bash
# Bad situations, each with the real demo binary on a real X server (Xvfb):
# no display or one that cannot be opened, no audio device, no music library
# or one lacking an entry point, every kind of bad "data.dat",
# SIGTERM/SIGINT/SIGHUP mid-script, and the X server dying under the demo.
# The demo must say what is wrong in one line (or nothing, when all is
# well; Xlib speaks for itself), keep its memory bounded, end normally and
# promptly.
# Usage: fault_injection.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
work=$(mktemp -d)
display=:$((300 + RANDOM % 100))
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
# In a sanitizer build the leak check would fail the demo for memory that the
# X11, D-Bus and GL libraries SDL loads (and unloads) keep; the demo's own
# memory is leak-checked by the unit tests and the headless runs.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export DISPLAY=$display SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null SDL_DISKAUDIODELAY=20
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A folder holding a copy of the demo and, if given, a music library.
stage() {
  local dir="$work/$1" library=${2:-}
  mkdir -p "$dir" && cp "$build/demo" "$dir/"
  [ -n "$library" ] && cp "$library" "$dir/libdemobass.so"
  echo "$dir"
}

# Runs the demo in folder $1 until $2 after 1.5 s: a key name, a signal, or
# the X server $doomed dying (Escape, TERM, INT, HUP, xserver). Sets: status,
# lines (the demo's stderr without SDL's disk-driver notes), seconds (from
# the stop request to the exit), peak_kb.
run_demo() {
  local dir=$1 stop=$2
  (cd "$dir" && exec "$dir/demo") 2>"$work/stderr" &
  local pid=$!
  sleep 1.5
  peak_kb=$(awk '/VmHWM/ {print $2}' /proc/$pid/status 2>/dev/null)
  local start=$(date +%s%N)
  case $stop in
    Escape) xdotool key Escape ;;
    xserver) kill "$doomed" ;;
    *) kill -s "$stop" $pid ;;
  esac
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
  if kill -0 $pid 2>/dev/null; then kill -9 $pid; fi
  wait $pid
  status=$?
  seconds=$(( ($(date +%s%N) - start) / 1000000 ))
  lines=$(grep -v '^CRITICAL: ' "$work/stderr")
}

# expect NAME PATTERN: status 0, one stderr line matching PATTERN (none
# when PATTERN is empty), memory below 300 MB.
expect_silent_run() {
  local name=$1 pattern=$2 count
  count=$(printf '%s' "$lines" | grep -c '^')
  if [ "$status" -ne 0 ]; then fail "$name: exit status $status"
  elif [ -z "$pattern" ] && [ "$count" -ne 0 ]; then fail "$name: unexpected stderr: $lines"
  elif [ -n "$pattern" ] && { [ "$count" -ne 1 ] || ! grep -q "$pattern" <<<"$lines"; }; then
    fail "$name: wanted one line about '$pattern', got: $lines"
  elif [ "${peak_kb:-0}" -gt 300000 ]; then fail "$name: peak memory ${peak_kb} kB"
  else pass "$name${pattern:+ (\"$lines\")}"; fi
}

# No display at all, or one named that cannot be opened: one line saying
# which, status 1.
no_display() {
  local name=$1 pattern=$2
  shift 2
  (cd "$build" && env -u DISPLAY -u WAYLAND_DISPLAY "$@" ./demo) 2>"$work/stderr"
  status=$?
  if [ $status -eq 1 ] && [ "$(grep -c '^' "$work/stderr")" -eq 1 ] && grep -q "$pattern" "$work/stderr"; then
    pass "$name: $(cat "$work/stderr")"
  else fail "$name: status $status, stderr: $(cat "$work/stderr")"; fi
}
no_display "no display" "set DISPLAY"
no_display "display that cannot be opened" "could not open.*:65000" DISPLAY=:65000

good=$(stage good "$build/libdemobass.so")
cp "$build/data.dat" "$good/"
run_demo "$good" Escape
expect_silent_run "everything in place" ""

SDL_AUDIODRIVER=no-such-driver run_demo "$good" Escape
expect_silent_run "no audio device" "audio"

nolib=$(stage nolib)
cp "$build/data.dat" "$nolib/"
run_demo "$nolib" Escape
expect_silent_run "music library missing" "music library"

partial=$(stage partial "$build/tests/music_fake/no_is_sliding/libdemobass.so")
cp "$build/data.dat" "$partial/"
run_demo "$partial" Escape
expect_silent_run "library lacking an entry point" "BASS_ChannelIsSliding"

# Every kind of bad music file.
bad=$(stage bad "$build/libdemobass.so")
size=$(stat -c %s "$build/data.dat")
make_bad() {
  rm -rf "$bad/data.dat"
  case $1 in
    missing) ;;
    empty) : >"$bad/data.dat" ;;
    truncated) head -c $((size / 2)) "$build/data.dat" >"$bad/data.dat" ;;
    text) printf 'these are not the notes you are looking for\n' >"$bad/data.dat" ;;
    directory) mkdir "$bad/data.dat" ;;
    sparse-2GB) truncate -s 2G "$bad/data.dat" ;;
    fifo) mkfifo "$bad/data.dat" ;;
    unreadable)
      # root reads any file, so a name that cannot be opened stands in.
      if [ "$(id -u)" -eq 0 ]; then ln -s data.dat "$bad/data.dat"
      else cp "$build/data.dat" "$bad/data.dat" && chmod 000 "$bad/data.dat"; fi ;;
  esac
}
for kind in missing empty truncated text directory sparse-2GB fifo unreadable; do
  make_bad $kind
  run_demo "$bad" Escape
  expect_silent_run "data.dat $kind" "data.dat"
done
rm -rf "$bad/data.dat"

# A stop signal mid-script ends it like a close request: the music still
# slides out (at least half a second), and the demo is gone within 3 s.
for signal in TERM INT HUP; do
  run_demo "$good" $signal
  if [ "$status" -eq 0 ] && [ "$seconds" -ge 450 ] && [ "$seconds" -le 3000 ]; then
    pass "SIG$signal ends the demo in $seconds ms with status 0"
  else fail "SIG$signal: status $status after $seconds ms"; fi
done

# The X server dies under the demo while the music plays: Xlib's own
# message (one of its two forms) and its exit status 1, with the music
# library stopping cleanly at exit and SDL_Quit, which would hang or abort
# on the dead connection, left out.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/doomed" 2>/dev/null &
doomed=$!
for _ in $(seq 50); do [ -s "$work/doomed" ] && break; sleep 0.1; done
DISPLAY=:$(cat "$work/doomed") run_demo "$good" xserver
xlib='^(X connection to .* broken|XIO: +fatal IO error|      after [0-9]+ requests)'
if [ "$status" -eq 1 ] && grep -q -E "$xlib" <<<"$lines" && ! grep -q -v -E "$xlib" <<<"$lines"; then
  pass "X server killed: status 1 ($(head -n 1 <<<"$lines"))"
else fail "X server killed: status $status, stderr: $lines"; fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
