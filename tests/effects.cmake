# Tests of the five effects and the picture (included by tests/CMakeLists.txt).
demo_test(effects_test
  SOURCES effects_rings.cpp effects_picture.cpp effects_spiral.cpp effects_halo.cpp effects_blocks.cpp
  LIBS demo_core)

# Its own program: it replaces the global operator new to count allocations.
demo_test(effects_alloc_test SOURCES effects_alloc.cpp LIBS demo_core)

# The extreme-value test builds its own copy of the effects so that, in the
# sanitizer build, they also trap float-to-int overflow, which
# -fsanitize=undefined leaves out.
set(effect_sources rings picture spiral halo orbit_blocks canvas)
list(TRANSFORM effect_sources PREPEND ${CMAKE_SOURCE_DIR}/effects/)
list(TRANSFORM effect_sources APPEND .cpp)
demo_test(effects_bounds_test
  SOURCES effects_bounds.cpp ${effect_sources} ${CMAKE_SOURCE_DIR}/scenes/demo_state.cpp
  LIBS demo_assets)
if(DEMO_SANITIZE MATCHES "undefined")
  target_compile_options(effects_bounds_test PRIVATE -fsanitize=float-cast-overflow)
  target_link_options(effects_bounds_test PRIVATE -fsanitize=float-cast-overflow)
endif()

# The committed picture must be exactly what the maker renders.
if(TARGET picturemaker)
  add_test(NAME picturemaker_reproduces_asset
    COMMAND sh -c "\"$1\" \"$2\" && cmp \"$2\" \"$3\"" picturemaker-test
            $<TARGET_FILE:picturemaker> ${CMAKE_BINARY_DIR}/picture-rerun.ppm ${CMAKE_SOURCE_DIR}/assets/picture.ppm)
endif()
