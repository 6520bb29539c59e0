#!/usr/bin/env bash
# The Windows programs under Wine, one group per call:
#   prefix   makes the shared Wine prefix (once) and starts a wineserver
#            that stays warm for the other groups; no sound device
#   traces   demo-capture.exe's three whole runs against the records
#            (reference_trace_test.sh, the Linux tool's own test)
#   capture  its snapshots equal the Linux tool's byte for byte; --video is
#            refused in one line, bad arguments with status 2
#   demo     demo.exe on a 1440 x 1080 Xvfb: a frame of scene 0 exactly as
#            recorded, twice its size, centred on black, Space
#            skips, Escape, Alt+F4 and a window manager's close request end
#            it with status 0 at 60 passes a second; no sound device is one line; on ALSA's null
#            device the music plays and Escape waits for its slide
#   package  the zip holds what a release needs, and the programs import
#            only DLLs every Windows has
#   stop     stops the warm wineserver
# Usage: windows_test.sh GROUP BUILD_DIR WINDOWS_DIR [SEND_CLOSE]
set -u
group=$1 build=$(cd "$2" && pwd) windir=$(cd "$3" && pwd) send_close=${4:-}
tests=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$windir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset SDL_VIDEODRIVER SDL_AUDIODRIVER

# Console programs run without a display, as on a server.
console() { env -u DISPLAY wine "$@"; }

# The demo's screen: 1440 x 1080, where the canvas is shown twice its size
# (1280 x 960) with black margins of 80 pixels left and right, 60 above and
# below.
screen_size=1440x1080 shown=1280x960 left=80 top=60

# The CRC-32 of the picture shown, taking one pixel of each 2 x 2 square
# (an enlargement by 2 with no smoothing gives the canvas back), as the
# capture tool computes the canvas's.
screen_crc() {
  ffmpeg -loglevel error -f x11grab -video_size $shown -i "$DISPLAY+$left,$top" -frames:v 1 \
    -vf scale=640:480:flags=neighbor -pix_fmt rgb24 -f hash -hash CRC32 - | sed 's/^CRC32=//'
}

# How many bytes of the margins (above and left of the picture; the demo
# centres it) are not black.
margin_bytes() {
  { ffmpeg -loglevel error -f x11grab -video_size ${screen_size%x*}x$top -i "$DISPLAY+0,0" \
      -frames:v 1 -pix_fmt rgb24 -f rawvideo -
    ffmpeg -loglevel error -f x11grab -video_size ${left}x${screen_size#*x} -i "$DISPLAY+0,0" \
      -frames:v 1 -pix_fmt rgb24 -f rawvideo -; } | tr -d '\0' | wc -c
}

case $group in
  prefix)
    # The server, and the services Wine starts with the prefix, outlive this
    # script: none may hold CTest's output pipe open, or the test never ends.
    # The server lingers 5 minutes after the last program, or until `stop`.
    wineserver -p 300 </dev/null >/dev/null 2>&1
    log=$windir/wineprefix.log
    if [ ! -f "$WINEPREFIX/system.reg" ] && ! env -u DISPLAY wineboot -i </dev/null >"$log" 2>&1; then
      echo "FAIL: wineboot could not make $WINEPREFIX: $(cat "$log")"
      exit 1
    fi
    # No sound device: the demo must say so in one line and play silent.
    console reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f </dev/null >"$log" 2>&1 ||
      { echo "FAIL: cannot set the prefix's audio: $(cat "$log")"; exit 1; }
    echo "ok: Wine prefix at $WINEPREFIX, no sound device"
    ;;
  stop)
    wineserver -k 2>/dev/null
    echo "ok: wineserver stopped"
    ;;
  traces)
    env -u DISPLAY DEMO_CAPTURE_RUNNER=wine DEMO_CAPTURE="$windir/demo-capture.exe" \
      bash "$tests/reference_trace_test.sh" "$build"
    ;;
  capture)
    . "$tests/support/demo_on_x.sh"
    mkdir "$work/win" "$work/linux"
    console "$windir/demo-capture.exe" --ppm-at 3,1600 --out "$(winepath -w "$work/win")" 2>"$work/err"
    "$build/demo-capture" --ppm-at 3,1600 --out "$work/linux"
    for pass in 3 1600; do
      name=canvas-$(printf %06d $pass).ppm
      if cmp -s "$work/win/$name" "$work/linux/$name"; then pass "snapshot of pass $pass"
      else fail "snapshot of pass $pass differs from the Linux tool's ($(cat "$work/err"))"; fi
    done
    console "$windir/demo-capture.exe" --video "$(winepath -w "$work/x.mp4")" 2>"$work/err"
    status=$? lines=$(tr -d '\r' <"$work/err")
    if [ $status -eq 1 ] && [ "$(grep -c . <<<"$lines")" -eq 1 ] && grep -q 'no video' <<<"$lines" &&
      [ ! -e "$work/x.mp4" ]; then pass "--video refused: $lines"
    else fail "--video: status $status, said: $lines"; fi
    console "$windir/demo-capture.exe" --frames 0 2>/dev/null
    [ $? -eq 2 ] && pass "a bad argument: status 2" || fail "a bad argument: not status 2"
    finish
    ;;
  demo)
    . "$tests/support/demo_on_x.sh"
    # Wine's desktop belongs to its server and shows on the display the
    # server first had (none, for the console groups): this group needs a
    # server of its own, on its own X server, and leaves none behind.
    wineserver -k 2>/dev/null
    trap 'wineserver -k 2>/dev/null; kill $servers 2>/dev/null; rm -rf "$work"' EXIT
    start_x 24 $screen_size
    # Every frame of the run without keys, and those of scene 0, as recorded.
    nokeys=$tests/data/canvas-crc/nokeys.crc
    paste -d ' ' "$tests/data/reference/nokeys.state" "$nokeys" |
      awk '$3 == 0 && $5 == 0 { print $8 }' >"$work/scene0.crc"
    # play STOP...: runs demo.exe from its folder; two seconds after its window
    # appears, does each STOP in turn (xdotool keys, "close" for the close
    # request, "shot" or "frame" for a screenshot's CRC into shots and its
    # time in ms into times, "wait" for 3 s);
    # sets status, lines (its stderr) and ms (from the last step to the exit).
    play() {
      (cd "$windir" && exec wine demo.exe) 2>"$work/stderr" &
      local pid=$! window step
      window=$(timeout 30 xdotool search --sync --name '^Quillfen$' | head -n 1)
      [ -n "$window" ] || { kill $pid; wait $pid; die "demo.exe showed no window ($(cat "$work/stderr"))"; }
      # What a window manager does for a new window; without it Wine
      # sometimes drops the first key.
      xdotool windowfocus --sync "$window"
      sleep 2
      shots=() times=()
      for step in "$@"; do
        case $step in
          shot | frame)
            local before=$(date +%s%N) crc tries=1
            crc=$(screen_crc)
            # A screenshot can catch a frame half drawn: "frame" takes up to
            # three for one of the run without keys.
            while [ $step = frame ] && [ $tries -lt 3 ] && ! grep -qx "$crc" "$nokeys"; do
              before=$(date +%s%N) crc=$(screen_crc) tries=$((tries + 1))
            done
            shots+=("$crc") times+=($((($(date +%s%N) + before) / 2000000)))
            margin=$(margin_bytes)
            ;;
          wait) sleep 3 ;;
          close) "$send_close" "$window" ;;
          *) xdotool key "$step" ;;
        esac
      done
      local stopped=$(date +%s%N)
      timeout 20 tail -s 0.05 --pid=$pid -f /dev/null || kill -9 $pid
      wait $pid
      status=$? lines=$(tr -d '\r' <"$work/stderr") ms=$((($(date +%s%N) - stopped) / 1000000))
    }
    play frame space wait shot shot Escape
    if grep -qx "${shots[0]}" "$work/scene0.crc"; then
      pass "scene 0 on the screen, exactly pass $(grep -nx "${shots[0]}" "$nokeys" | head -n 1 | cut -d: -f1) of the recorded run"
    else fail "the screen (CRC ${shots[0]}) shows no recorded frame of scene 0 at twice its size"; fi
    [ "$margin" -eq 0 ] && pass "black margins around the centred picture" ||
      fail "$margin bytes of the margins are not black"
    # Without the skip, scene 0 would still be playing 5 s in.
    if ! grep -qx "${shots[1]}" "$work/scene0.crc" && [ "${shots[1]}" != "${shots[2]}" ]; then
      pass "Space skipped: a moving picture that is not scene 0"
    else fail "after Space: ${shots[1]}, ${shots[2]} (scene 0 or a still picture)"; fi
    expect "Escape" 0 "no audio output device"
    # Paced: two recorded frames seconds apart are 60 passes a second apart (the
    # screenshots' own timing allows a few passes either way).
    play frame wait frame alt+F4
    expect "Alt+F4" 0 "no audio output device"
    # Scene 0's frames recur (pass 407 is pass 87 again): the later shot is
    # the recurrence nearest to where 60 a second would put it.
    pass_of() {
      grep -nx "$1" "$nokeys" | cut -d: -f1 | awk -v near="$2" '
        { d = $1 > near ? $1 - near : near - $1 } NR == 1 || d < best { best = d; pass = $1 }
        END { print pass }'
    }
    ms=$((times[1] - times[0]))
    first=$(pass_of "${shots[0]}" 0)
    last=$(pass_of "${shots[1]}" $((${first:-0} + ms * 60 / 1000)))
    passes=$((${last:-0} - ${first:-0}))
    if [ -n "$first" ] && [ -n "$last" ] && [ $((passes * 1000)) -le $((ms * 60 + 10000)) ] &&
      [ $((passes * 1000)) -ge $((ms * 45)) ]; then
      pass "paced: passes $first to $last in $ms ms ($((passes * 1000 / ms)) a second)"
    else fail "passes ${first:-?} to ${last:-?} in $ms ms: not 60 a second"; fi
    play close
    expect "a close request" 0 "no audio output device"
    # ALSA's null device takes the sound: the music plays without a word, and
    # Escape waits for its slide (500 ms) while the output mixes it, not for
    # the 2 s more a stalled output would be given.
    console reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
    printf 'pcm.!default { type null }\n' >"$work/.asoundrc"
    HOME=$work play Escape
    console reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
    expect "music on ALSA's null device" 0
    if [ "$ms" -ge 500 ] && [ "$ms" -lt 1500 ]; then pass "the slide played out: exit $ms ms after Escape"
    else fail "exit $ms ms after Escape, not the slide's 500 ms and a little"; fi
    finish
    ;;
  package)
    . "$tests/support/demo_on_x.sh"
    zip=$(ls "$windir"/quillfen-*-win64.zip 2>/dev/null | head -n 1)
    [ -n "$zip" ] || die "no quillfen-*-win64.zip in $windir"
    listing=$(cmake -E tar tf "$zip" | sed 's|^[^/]*/||' | sort | tr '\n' ' ')
    wanted="data.dat demo.exe demobass.dll quillfen.txt "
    [ "$listing" = "$wanted" ] && pass "$(basename "$zip"): $listing" || fail "the zip holds: $listing"
    for program in demo.exe demo-capture.exe demobass.dll; do
      others=$(x86_64-w64-mingw32-objdump -p "$windir/$program" | awk '/DLL Name:/ { print toupper($3) }' |
        grep -v -x -E 'KERNEL32.DLL|USER32.DLL|GDI32.DLL|WINMM.DLL|MSVCRT.DLL|OLE32.DLL|ADVAPI32.DLL')
      [ -z "$others" ] && pass "$program imports only Windows' own DLLs" ||
        fail "$program imports $others"
    done
    finish
    ;;
  *) echo "unknown group $group" >&2; exit 2 ;;
esac
