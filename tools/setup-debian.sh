#!/bin/sh
# Installs the Debian 12 packages the demo needs, run as root or as a user
# who may use sudo:
#   setup-debian.sh           to build and run it: compiler, CMake, libraries
#   setup-debian.sh --tests   also what the tests use: GoogleTest, Google
#                             Benchmark, MPFR, Xvfb and X tools, ffmpeg, FreeType
#                             and the typeface for the font maker's test,
#                             `file` for cpack's package checks, and for the
#                             web page Emscripten, brotli, Chromium, Firefox
#                             ESR, Node.js with the pinned playwright-core and
#                             puppeteer-core from npm, and for Windows
#                             MinGW-w64, stb_vorbis and Wine (64-bit only:
#                             never wine32 or any i386 package)
#   setup-debian.sh --checks  what CI's further checks use: clang with
#                             libFuzzer, valgrind, clang-format, and
#                             debootstrap for the bare Debian root
set -e
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
install() { as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"; }

as_root apt-get update
case "${1:-}" in
  --checks)
    install clang libclang-rt-14-dev valgrind clang-format debootstrap
    ;;
  *)
    install build-essential cmake pkg-config ca-certificates \
      libsdl1.2-compat-dev libdeflate-dev \
      libsndfile1-dev libsamplerate0-dev libvorbis-dev libebur128-dev
    if [ "${1:-}" = "--tests" ]; then
      install libgtest-dev libbenchmark-dev zlib1g-dev libmpfr-dev \
        xvfb xauth x11-utils xdotool libx11-dev \
        libfreetype-dev fonts-dejavu-extra file \
        ffmpeg emscripten brotli chromium firefox-esr nodejs \
        g++-mingw-w64-x86-64-posix libstb-dev wine wine64 libwine \
        g++-aarch64-linux-gnu qemu-user-static
      # Debian's nodejs comes without npm; other Node.js packages bring their own.
      command -v npm >/dev/null || install npm
      (cd "$(dirname "$0")/../web" && npm ci --no-audit --no-fund)
    fi
    ;;
esac
