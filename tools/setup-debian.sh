#!/bin/sh
# Installs every Debian 12 package the demo needs to build, run and be tested:
# compiler, CMake, the libraries, and the X server and tools the tests use.
# Run as root, or as a user who may use sudo. With --checks it installs what
# CI's further checks use instead: clang with libFuzzer and valgrind.
set -e
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

as_root apt-get update
if [ "${1:-}" = "--checks" ]; then
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    clang libclang-rt-14-dev valgrind
  exit 0
fi
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config ca-certificates \
  libsdl1.2-compat-dev zlib1g-dev \
  libsndfile1-dev libsamplerate0-dev \
  libfreetype-dev fonts-dejavu-core \
  libgtest-dev libbenchmark-dev \
  xvfb xauth x11-utils xdotool libx11-dev \
  ffmpeg
