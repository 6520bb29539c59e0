#!/usr/bin/env bash
# The installed demo plays from anywhere: the build installed into a
# temporary prefix, and the .deb and .tar.gz that cpack makes, unpacked.
# Each installed launcher, started from an empty folder, plays its music,
# writes nothing there and ends with status 0 on Escape.
# Usage: install_test.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/support/demo_on_x.sh"
start_x

# play NAME LAUNCHER
play() {
  mkdir "$work/cwd-$1"
  SDL_DISKAUDIOFILE="$work/$1.raw" run_demo "$work/cwd-$1" "$2" Escape 2; expect "$1" 0
  # Some music reached the audio device: not every byte it wrote is zero.
  tr -d '\000' <"$work/$1.raw" | head -c 1 | grep -q . || fail "$1: no sound was played"
  [ -z "$(ls -A "$work/cwd-$1")" ] || fail "$1: wrote into the working folder"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null || die "cmake --install"
[ -e "$work/prefix/share/applications/quillfen-intro.desktop" ] &&
  [ -e "$work/prefix/share/icons/hicolor/scalable/apps/quillfen-intro.svg" ] || die "no menu entry or icon"
play prefix "$work/prefix/bin/quillfen-intro"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >/dev/null 2>&1) || die cpack
deb=$(ls "$work"/packages/*.deb) && tgz=$(ls "$work"/packages/*.tar.gz) || die "no packages"
dpkg-deb -f "$deb" Depends | grep -q libsndfile || die ".deb does not depend on libsndfile"
dpkg-deb -x "$deb" "$work/deb" && mkdir "$work/tgz" &&
  tar -xzf "$tgz" -C "$work/tgz" --strip-components=1 || die "cannot unpack the packages"
play deb "$work/deb/usr/bin/quillfen-intro"
play tgz "$(find "$work/tgz" -path '*bin/quillfen-intro')"
finish
