#!/usr/bin/env bash
# The real demo binary on a real X server (Xvfb): Escape ends it, a window-close
# request ends it, and five Space presses run the script to its end, each
# with exit status 0. Usage: e2e_demo.sh DEMO SEND_CLOSE
set -u
demo=$1
send_close=$2
display=:$((90 + RANDOM % 100))
fail() { echo "FAIL: $*"; exit 1; }

# Full screen on a larger screen without a window manager shows a wrong
# quarter of the picture, so the server's screen is the demo's own size.
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; kill $pid 2>/dev/null' EXIT
unset SDL_VIDEODRIVER  # the test presets name the dummy driver; this test wants X
# In a sanitizer build the leak check would fail the demo for memory that the
# X11, D-Bus and GL libraries SDL loads (and unloads) keep; the demo's own
# memory is leak-checked by the unit tests and the headless runs.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export DISPLAY=$display SDL_AUDIODRIVER=dummy
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"

start_demo() {
  "$demo" 2>/tmp/e2e-demo-stderr.$$ &
  pid=$!
  window=$(timeout 10 xdotool search --sync --pid "$pid" 2>/dev/null | head -n 1)
  [ -n "$window" ] || fail "no demo window appeared"
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "demo died at start: $(cat /tmp/e2e-demo-stderr.$$)"
}

# Waits up to $1 seconds for the demo to exit; prints its status.
wait_exit() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "demo did not exit within $1 s"; }
  wait "$pid"
}

start_demo
xdotool key Escape
wait_exit 10; status=$?
[ $status -eq 0 ] || fail "Escape: exit status $status"
echo "ok: Escape ends the demo with status 0"

start_demo
"$send_close" "$window" || fail "could not send the close request"
wait_exit 10; status=$?
[ $status -eq 0 ] || fail "close request: exit status $status"
echo "ok: a window-close request ends the demo with status 0"

start_demo
for _ in 1 2 3 4 5; do xdotool key space; sleep 0.2; done
wait_exit 30; status=$?
[ $status -eq 0 ] || fail "five Space presses: exit status $status"
echo "ok: five Space presses run the script to its end, status 0"
rm -f /tmp/e2e-demo-stderr.$$
echo "3 passed, 0 failed"
