#!/usr/bin/env bash
# Bad situations for the real demo: no display or one that cannot be
# opened, no sound card, no music library, one cut short, one lacking an
# entry point or half the optional position pair, every kind of bad "data.dat", a close request and stop
# signals mid-script, and the X server dying under it. The demo says what is wrong
# in one line (nothing when all is well; Xlib speaks for itself), keeps its
# memory bounded, and ends normally and promptly.
# Usage: fault_injection.sh BUILD_DIR SEND_CLOSE
set -u
build=$(cd "$1" && pwd) send_close=$2
. "$(dirname "$0")/support/demo_on_x.sh"

# Without a display the demo stops at once, saying which: status 1.
for named in "" :65000; do
  lines=$(cd "$build" && env -u DISPLAY -u WAYLAND_DISPLAY ${named:+DISPLAY=$named} ./demo 2>&1) status=$?
  expect "display '$named'" 1 "${named:-set DISPLAY}"
done
start_x

# A copy of the demo in a folder of its own, where its library is looked for first.
dir=$work/demo
mkdir "$dir" && cp "$build/demo" "$build/data.dat" "$build/libdemobass.so" "$dir/"
run_demo "$dir" ./demo Escape; expect "everything in place" 0
# The library keeps ALSA's own complaints about a missing card off stderr.
SDL_AUDIODRIVER=alsa AUDIODEV=hw:99,0 run_demo "$dir" ./demo Escape; expect "no sound card" 0 audio
mv "$dir/libdemobass.so" "$work/"
# Named as the file we ship, and where it was looked for.
run_demo "$dir" ./demo Escape
expect "music library missing" 0 "no $dir/libdemobass.so beside the executable, and the system's search"
cp "$build/tests/music_fake/no_is_sliding/libdemobass.so" "$dir/"
run_demo "$dir" ./demo Escape; expect "library lacking an entry point" 0 BASS_ChannelIsSliding
# Half of the optional position pair is neither: paced by the clock, skips leave the music be.
cp "$build/tests/music_fake/no_get_position/libdemobass.so" "$dir/"
run_demo "$dir" ./demo "space Escape"; expect "library without the position pair" 0
# Cut short of its segments, the library would be mapped past its end.
for cut in 1000 5000 20000; do
  head -c $cut "$work/libdemobass.so" >"$dir/libdemobass.so"
  run_demo "$dir" ./demo Escape; expect "library cut at $cut bytes" 0 "libdemobass.so: cut short"
done
mv "$work/libdemobass.so" "$dir/"

for kind in missing empty text directory sparse-2GB fifo unreadable; do
  rm -rf "$dir/data.dat"
  case $kind in
    empty) : >"$dir/data.dat" ;;
    text) echo 'these are not the notes you are looking for' >"$dir/data.dat" ;;
    directory) mkdir "$dir/data.dat" ;;
    sparse-2GB) truncate -s 2G "$dir/data.dat" ;;
    fifo) mkfifo "$dir/data.dat" ;;
    unreadable) ln -s data.dat "$dir/data.dat" ;;  # a link to itself: even root cannot open it
  esac
  run_demo "$dir" ./demo Escape; expect "data.dat $kind" 0 data.dat
done
# Damage past its start shows only while it plays: cut in half, the music
# plays up to the cut and loops from there; a byte appended changes nothing.
for kind in "cut in half" "with a byte appended"; do
  rm -rf "$dir/data.dat"
  case $kind in
    cut*) head -c $(($(stat -c %s "$build/data.dat") / 2)) "$build/data.dat" >"$dir/data.dat" ;;
    with*) { cat "$build/data.dat" && printf x; } >"$dir/data.dat" ;;
  esac
  run_demo "$dir" ./demo Escape; expect "data.dat $kind" 0
done
rm -rf "$dir/data.dat" && cp "$build/data.dat" "$dir/"

# A close request (as a window manager's close button sends it) ends the
# demo like Escape; so does a stop signal, and the music still slides out
# (half a second), and the demo is gone within 3 s.
run_demo "$dir" ./demo close; expect "a close request" 0
for signal in TERM INT HUP; do
  run_demo "$dir" ./demo $signal; expect "SIG$signal after $ms ms" 0
  [ "$ms" -ge 450 ] && [ "$ms" -le 3000 ] || fail "SIG$signal: the demo ended after $ms ms"
done

# With stderr closed, the one-line warnings go nowhere instead of into the
# X connection, which would take the number and freeze the demo.
printf '#!/bin/sh\nexec ./demo 2>&-\n' >"$dir/demo-no-stderr" && chmod +x "$dir/demo-no-stderr"
SDL_AUDIODRIVER=nonexistent run_demo "$dir" ./demo-no-stderr Escape; expect "stderr closed" 0
# Out of file descriptors, the reason is said as it is.
run_at_once "$dir" sh -c 'ulimit -n 6 && exec ./demo'; expect "ulimit -n 6" 1 "Too many open files"
# A paletted display cannot show the picture: said in the demo's words.
start_x 8
run_at_once "$dir" ./demo; expect "8-bit display" 1 "8 bits per pixel"

# The X server dies under the playing demo: Xlib's own message and its exit
# status 1, the music library stopping cleanly at exit.
start_x
run_demo "$dir" ./demo xserver
expect "X server killed" 1 '^(X connection to .* broken|XIO: +fatal IO error)'
finish
