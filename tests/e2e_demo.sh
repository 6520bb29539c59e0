#!/usr/bin/env bash
# The real demo with its music on an X server: a window-close request and
# five Space presses (the script run to its end) each end it quietly with
# status 0, as Escape does (fault_injection.sh, MusicEndToEnd).
# Usage: e2e_demo.sh BUILD_DIR SEND_CLOSE
set -u
build=$(cd "$1" && pwd)
send_close=$2
. "$(dirname "$0")/support/demo_on_x.sh"
start_x
run_demo "$build" ./demo close; expect "a close request" 0
run_demo "$build" ./demo "space space space space space"; expect "five Space presses" 0
finish
