# sources.cmake - the demo's portable sources, named once for both builds: the
# desktop's (CMakeLists.txt) and the web page's (web/CMakeLists.txt), which
# compile the very same files around their own platform layers. Paths are
# relative to the repository's root.

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

# The host code every platform shares: the frame pass with its events, the
# key script of headless runs, the pacing rule and the music binding.
set(DEMO_SHARED_HOST_SOURCES
  host/frame_loop.cpp
  host/key_script.cpp
  host/pacing.cpp
  host/music.cpp)
