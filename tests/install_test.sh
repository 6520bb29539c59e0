#!/usr/bin/env bash
# The installed demo plays from anywhere: installs the build into a
# temporary prefix, and unpacks the .deb and .tar.gz that cpack makes, then
# starts each installed launcher from an unrelated folder under Xvfb with
# the disk audio driver, and checks that it ran with its music and ended
# with status 0 on Escape. Usage: install_test.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
work=$(mktemp -d)
display=:$((200 + RANDOM % 100))
fail() { echo "FAIL: $*"; exit 1; }

Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
unset SDL_VIDEODRIVER
# In a sanitizer build the leak check would fail the demo for memory that the
# X11, D-Bus and GL libraries SDL loads (and unloads) keep; the demo's own
# memory is leak-checked by the unit tests and the headless runs.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export DISPLAY=$display SDL_AUDIODRIVER=disk SDL_DISKAUDIODELAY=20
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Runs the launcher $1 from an empty folder, presses Escape after 3 s.
play() {
  local launcher=$1 name=$2
  mkdir -p "$work/cwd-$name" && cd "$work/cwd-$name" || fail "$name: no folder"
  export SDL_DISKAUDIOFILE="$work/$name.raw"
  "$launcher" 2>"$work/$name.err" &
  local pid=$!
  sleep 3
  xdotool key Escape
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && { kill $pid; fail "$name: did not end on Escape"; }
  wait $pid || fail "$name: exit status $? ($(cat "$work/$name.err"))"
  grep -q "without music" "$work/$name.err" && fail "$name: $(cat "$work/$name.err")"
  # Some music reached the audio device: not all bytes of the output are zero.
  [ -s "$work/$name.raw" ] && tr -d '\000' <"$work/$name.raw" | head -c 1 | grep -q . ||
    fail "$name: no sound was played"
  [ -z "$(ls -A "$work/cwd-$name")" ] || fail "$name: wrote into the working folder"
  echo "ok: $name plays with music from any folder and ends with status 0"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install"
for file in bin/quillfen-intro share/applications/quillfen-intro.desktop \
            share/icons/hicolor/scalable/apps/quillfen-intro.svg; do
  [ -e "$work/prefix/$file" ] || fail "install lacks $file"
done
play "$work/prefix/bin/quillfen-intro" prefix

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >/dev/null 2>&1) ||
  fail "cpack"
deb=$(ls "$work"/packages/*.deb) && tgz=$(ls "$work"/packages/*.tar.gz) || fail "no packages"
dpkg-deb -x "$deb" "$work/deb" || fail "unpack .deb"
dpkg-deb -f "$deb" Depends | grep -q libsndfile || fail ".deb does not depend on libsndfile"
play "$work/deb/usr/bin/quillfen-intro" deb
mkdir -p "$work/tgz" && tar -xzf "$tgz" -C "$work/tgz" --strip-components=1 || fail "unpack .tar.gz"
play "$(find "$work/tgz" -path '*bin/quillfen-intro')" tgz
echo "3 passed, 0 failed"
