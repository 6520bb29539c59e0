# Tests of the five effects and the fade (included by tests/CMakeLists.txt).
# effects_bounds.cpp is meant for the asan preset too: there the sanitizers
# watch the canvas's edges and every float-to-int conversion.
demo_test(effects_test SOURCES effects_edges.cpp effects_bounds.cpp effects_picture.cpp LIBS demo_core)


# Its own program: it replaces the global operator new to count allocations.
demo_test(effects_alloc_test SOURCES effects_alloc.cpp LIBS demo_core)

# The committed picture must be exactly what the maker renders.
if(TARGET picturemaker)
  add_test(NAME picturemaker_reproduces_asset
    COMMAND sh -c "\"$1\" \"$2\" && cmp \"$2\" \"$3\"" picturemaker-test
            $<TARGET_FILE:picturemaker> ${CMAKE_BINARY_DIR}/picture-rerun.ppm ${CMAKE_SOURCE_DIR}/assets/picture.ppm)
endif()
