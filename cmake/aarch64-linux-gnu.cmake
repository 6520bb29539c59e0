# aarch64-linux-gnu.cmake - cross-compiles the capture tool for 64-bit ARM
# Linux with Debian's g++-aarch64-linux-gnu, to check that every frame comes
# out the same on another processor (run under qemu-aarch64-static with
# QEMU_LD_PREFIX=/usr/aarch64-linux-gnu, where Debian puts that machine's C
# and C++ libraries). Used by the `linux-aarch64` presets.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(DEMO_CAPTURE_ONLY ON CACHE BOOL "" FORCE)
