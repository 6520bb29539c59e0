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

# sineCosine against MPFR. The link wraps sineCosine so that the test records
# every argument the drawing code passes it while it plays the recorded runs
# on the null platform.
pkg_check_modules(MPFR IMPORTED_TARGET mpfr)
if(MPFR_FOUND)
  demo_test(trig_accuracy_test
    SOURCES trig_accuracy_test.cpp
    LIBS platform_null PkgConfig::MPFR)
  target_link_options(trig_accuracy_test PRIVATE -Wl,--wrap=_Z10sineCosined)
  target_compile_definitions(trig_accuracy_test PRIVATE
    REFERENCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/reference")
else()
  demo_missing_test(trig_accuracy MPFR)
endif()

# No C-library transcendental in the core: sineCosine stands in for them.
add_test(NAME core_links_no_libm_transcendental
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/no_libm_test.sh
    $<TARGET_FILE:demo_core> $<TARGET_FILE:demo_canvas> $<TARGET_FILE:demo_assets>)
