# sources.cmake - the demo's sources, named once for every build: the
# desktop's, Windows' and the null platform's (CMakeLists.txt) and the web page's
# (web/CMakeLists.txt), which compile the very same portable files around
# their own platforms. Paths are relative to the repository's root.

# The frame buffer, on its own: the core and the presentation both use it.
set(DEMO_CANVAS_SOURCES effects/canvas.cpp)

# The core: the effects and the scene script. It knows nothing of the platform
# but the one presentation call at the end of a frame.
set(DEMO_CORE_SOURCES
  effects/fade.cpp
  effects/text.cpp
  effects/rings.cpp
  effects/picture.cpp
  effects/spiral.cpp
  effects/halo.cpp
  effects/orbit_blocks.cpp
  effects/trig.cpp
  scenes/demo_state.cpp
  scenes/script_texts.cpp
  scenes/render_frame.cpp)

# The committed asset data that is code already (the pictures are embedded
# by ppm2cpp at build time).
set(DEMO_ASSET_SOURCES assets/glyph_edges.cpp)

# The host code every platform shares, as portable as the core: start-up and
# shutdown, the frame pass with its inputs, the input queue, the key script of
# headless runs, the pacing rule and the music binding.
set(DEMO_SHARED_HOST_SOURCES
  host/demo_main.cpp
  host/frame_loop.cpp
  host/input_queue.cpp
  host/key_script.cpp
  host/pacing.cpp
  host/music.cpp
  host/music_sync.cpp
  host/music_pacing.cpp)

# The platforms (platform/platform.h). Every platform's library loader
# keeps its failures' reasons in one place.
set(DEMO_PLATFORM_SHARED_SOURCES platform/load_error.cpp)
# The system calls of POSIX machines, shared by the Linux desktop over SDL
# and the null platform.
set(DEMO_POSIX_SOURCES ${DEMO_PLATFORM_SHARED_SOURCES} platform/posix/system.cpp platform/posix/stop_signals.cpp
  platform/posix/descriptors.cpp platform/posix/elf_check.cpp)
set(DEMO_SDL_SOURCES platform/sdl/display.cpp platform/sdl/present.cpp platform/sdl/input.cpp)
set(DEMO_NULL_SOURCES platform/null/null_platform.cpp)

# Windows (platform/win32/): the system calls, shared by the window platform
# and the null platform there, and the window itself.
set(DEMO_WIN32_SYSTEM_SOURCES ${DEMO_PLATFORM_SHARED_SOURCES} platform/win32/system.cpp platform/win32/console_stop.cpp)
set(DEMO_WIN32_SOURCES platform/win32/window.cpp)

# The portable CRC-32 of the canvas (host/crc32.h), for the builds without
# libdeflate: the web page and the Windows capture tool.
set(DEMO_CRC32_SOURCES host/crc32.cpp)
