# demo_on_x.sh - sourced by the tests that run the real demo on an X server:
# starts Xvfb on a free display, sets the environment, runs the demo in a
# folder until a key, a close request, a signal or the server's death, and
# tallies the checks. Leaves nothing behind at exit.
work=$(mktemp -d) servers='' passes=0 failures=0
trap 'kill $servers 2>/dev/null; rm -rf "$work"' EXIT
pass() { echo "ok: $*"; passes=$((passes + 1)); }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
die() { echo "FAIL: $*"; exit 1; }
finish() { echo "$passes passed, $failures failed"; [ "$failures" -eq 0 ]; }

unset SDL_VIDEODRIVER  # the test presets name the dummy driver; these runs want X
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null SDL_DISKAUDIODELAY=20
# Sanitizer builds: the leak check would fail the demo for memory that the
# X11, D-Bus and GL libraries SDL loads (and unloads) keep, and the thread
# check for the software GL driver SDL's X11 video starts and a lock order
# in SDL's start-up. The demo's own memory is leak-checked where it runs
# headless; the music library stays under the thread check.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export TSAN_OPTIONS="${TSAN_OPTIONS:+$TSAN_OPTIONS:}suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/tsan.supp"

# start_x [DEPTH [WIDTHxHEIGHT]]: starts an Xvfb server of DEPTH (24) bits
# per pixel on a display it picks itself; sets xpid and DISPLAY. Full screen
# on a larger screen without a window manager shows a wrong quarter of SDL's
# picture, so the screen is the demo's own size unless a size is given.
start_x() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${2:-640x480}x${1:-24}" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xpid=$! servers="$servers $!"
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || die "Xvfb did not start"
  export DISPLAY=:$(cat "$work/display")
}

# run_demo FOLDER PROGRAM STOP [SECONDS]: runs PROGRAM in FOLDER and, SECONDS
# (1) after its window appears, stops it with STOP: keys for xdotool
# ("Escape", "space space"), "close" (the request a window manager's close
# button sends, by $send_close), "xserver" (kills the server it shows on)
# or a signal (TERM, INT, HUP). Sets status, lines (its stderr without SDL's
# disk-driver note and Xlib's second line), ms (from the stop to the exit,
# at most 20 s) and peak_kb.
run_demo() {
  # The stop signals by default, whatever this runner inherited: the demo
  # keeps a signal ignored at its start ignored, as nohup asks.
  (cd "$1" && exec env --default-signal=INT,TERM,HUP "$2") 2>"$work/stderr" &
  local pid=$! start
  timeout 10 xdotool search --sync --pid $pid >/dev/null 2>&1
  sleep "${4:-1}"
  peak_kb=$(awk '/VmHWM/ {print $2}' /proc/$pid/status 2>/dev/null) start=$(date +%s%N)
  case $3 in
    close) "$send_close" "$(xdotool search --pid $pid | head -n 1)" ;;  # SDL may have made it anew
    xserver) kill "$xpid" ;;
    TERM | INT | HUP) kill -s "$3" $pid ;;
    *) xdotool key --delay 200 $3 ;;
  esac
  timeout 20 tail -s 0.05 --pid=$pid -f /dev/null || kill -9 $pid
  wait $pid
  status=$? ms=$((($(date +%s%N) - start) / 1000000))
  lines=$(grep -v -E '^(CRITICAL: |      after [0-9]+ requests)' "$work/stderr")
}

# run_at_once FOLDER COMMAND...: runs a demo that is to end by itself, at
# once; sets status and lines as run_demo does.
run_at_once() {
  local folder=$1
  shift
  (cd "$folder" && timeout 10 "$@") 2>"$work/stderr"
  status=$? peak_kb=0 lines=$(grep -v '^CRITICAL: ' "$work/stderr")
}

# expect NAME STATUS [PATTERN]: the last run ended with STATUS in bounded
# memory, and said one line matching PATTERN, or nothing without one.
expect() {
  local count=$(printf '%s' "$lines" | grep -c '^')
  if [ "$status" -ne "$2" ]; then fail "$1: exit status $status ($lines)"
  elif [ "${peak_kb:-0}" -gt 300000 ]; then fail "$1: peak memory $peak_kb kB"
  elif [ -z "${3:-}" ] && [ "$count" -ne 0 ]; then fail "$1: unexpected stderr: $lines"
  elif [ -n "${3:-}" ] && { [ "$count" -ne 1 ] || ! grep -q -E "$3" <<<"$lines"; }; then
    fail "$1: wanted one line about '$3', got: $lines"
  else pass "$1${3:+ (\"$lines\")}"; fi
}
