#!/usr/bin/env bash
# Bad situations for the real demo: no display or one that cannot be
# opened, no audio device, no music library or one lacking an entry point,
# every kind of bad "data.dat", stop signals mid-script, and the X server
# dying under it. The demo says what is wrong in one line (nothing when all
# is well; Xlib speaks for itself), keeps its memory bounded, and ends
# normally and promptly. Usage: fault_injection.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/support/demo_on_x.sh"

# Without a display the demo stops at once, saying which: status 1.
for named in "" :65000; do
  (cd "$build" && env -u DISPLAY -u WAYLAND_DISPLAY ${named:+DISPLAY=$named} ./demo) 2>"$work/stderr"
  status=$? lines=$(cat "$work/stderr")
  expect "display '$named'" 1 "${named:-set DISPLAY}"
done
start_x

# stage NAME [LIBRARY]: a folder holding a copy of the demo, data.dat and
# LIBRARY as the music library.
stage() {
  mkdir "$work/$1" && cp "$build/demo" "$build/data.dat" "$work/$1/"
  [ -z "${2:-}" ] || cp "$2" "$work/$1/libdemobass.so"
  echo "$work/$1"
}
good=$(stage good "$build/libdemobass.so")
run_demo "$good" ./demo Escape; expect "everything in place" 0
# No sound card: the library keeps ALSA's own complaints off stderr.
SDL_AUDIODRIVER=alsa AUDIODEV=hw:99,0 run_demo "$good" ./demo Escape; expect "no audio device" 0 audio
run_demo "$(stage nolib)" ./demo Escape; expect "music library missing" 0 "music library"
run_demo "$(stage partial "$build/tests/music_fake/no_is_sliding/libdemobass.so")" ./demo Escape
expect "library lacking an entry point" 0 BASS_ChannelIsSliding

bad=$(stage bad "$build/libdemobass.so")
for kind in missing empty truncated text directory sparse-2GB fifo unreadable; do
  rm -rf "$bad/data.dat"
  case $kind in
    empty) : >"$bad/data.dat" ;;
    truncated) head -c $(($(stat -c %s "$build/data.dat") / 2)) "$build/data.dat" >"$bad/data.dat" ;;
    text) echo 'these are not the notes you are looking for' >"$bad/data.dat" ;;
    directory) mkdir "$bad/data.dat" ;;
    sparse-2GB) truncate -s 2G "$bad/data.dat" ;;
    fifo) mkfifo "$bad/data.dat" ;;
    # root reads any file, so a name that cannot be opened stands in.
    unreadable) if [ "$(id -u)" -eq 0 ]; then ln -s data.dat "$bad/data.dat"
      else cp "$build/data.dat" "$bad/data.dat" && chmod 000 "$bad/data.dat"; fi ;;
  esac
  run_demo "$bad" ./demo Escape; expect "data.dat $kind" 0 data.dat
done

# A stop signal ends the demo like a close request: the music still slides
# out (half a second), and the demo is gone within 3 s.
for signal in TERM INT HUP; do
  run_demo "$good" ./demo $signal; expect "SIG$signal after $ms ms" 0
  [ "$ms" -ge 450 ] && [ "$ms" -le 3000 ] || fail "SIG$signal: the demo ended after $ms ms"
done

# The X server dies under the playing demo: Xlib's own message and its exit
# status 1, the music library stopping cleanly at exit.
start_x
run_demo "$good" ./demo xserver
expect "X server killed" 1 '^(X connection to .* broken|XIO: +fatal IO error)'
finish
