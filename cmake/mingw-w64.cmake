# mingw-w64.cmake - cross-compiles the demo for 64-bit Windows with Debian's
# MinGW-w64 (g++-mingw-w64-x86-64-posix). The posix thread model, because the
# win32 one has no std::thread or std::mutex. Everything is linked statically
# (the C++ runtime and winpthreads included), so the programs import only
# DLLs every Windows has: a missing libwinpthread-1.dll would make a program
# exit with no message at all.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DEMO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DEMO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DEMO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DEMO_MINGW_PREFIX}-windres)
set(CMAKE_STRIP ${DEMO_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${DEMO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
