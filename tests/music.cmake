# Music tests: the music library heard through offline rendering and SDL's
# disk audio driver, and the whole demo's music on an X server; the host's
# music binding against a fake library; the soundtrack the build rendered.

demo_test(music_library_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/music_library_test.cpp
  LIBS demobass platform_null PkgConfig::SNDFILE)
# The host's binding looks beside the executable first, and finds there a
# copy of the library apart from the one linked, which unloading unmaps.
set_target_properties(music_library_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/music_library)
add_custom_command(TARGET music_library_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:demobass> $<TARGET_FILE_DIR:music_library_test>)
target_compile_definitions(music_library_test PRIVATE
  DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}" DEMO_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
add_dependencies(music_library_test demo soundtrack_data)

# The fake music library, in one directory per setting the binding must cope
# with: the full fake, or one lacking BASS_ChannelIsSliding or half of the
# position pair (for fault_injection.sh). The binding looks beside the executable first, so
# the binding test is built beside the full fake, without a run path into
# the build tree.
set(MUSIC_FAKE_DIR ${CMAKE_CURRENT_BINARY_DIR}/music_fake)
foreach(variant full no_is_sliding no_get_position)
  set(fake music_fake_bass_${variant})
  add_library(${fake} MODULE ${CMAKE_CURRENT_SOURCE_DIR}/music_fake_bass.cpp)
  target_link_libraries(${fake} PRIVATE demo_options)
  target_compile_definitions(${fake} PRIVATE DEMO_MUSIC_LIBRARY)
  set_target_properties(${fake} PROPERTIES
    OUTPUT_NAME demobass PREFIX lib
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${MUSIC_FAKE_DIR}/${variant})
endforeach()
target_compile_definitions(music_fake_bass_no_is_sliding PRIVATE FAKE_BASS_WITHOUT_IS_SLIDING)
target_compile_definitions(music_fake_bass_no_get_position PRIVATE FAKE_BASS_WITHOUT_GET_POSITION)

demo_test(music_binding_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/music_binding_test.cpp
  LIBS platform_null)
set_target_properties(music_binding_test PROPERTIES
  SKIP_BUILD_RPATH ON
  RUNTIME_OUTPUT_DIRECTORY ${MUSIC_FAKE_DIR}/full)
add_dependencies(music_binding_test music_fake_bass_full)

# The soundtrack the build rendered: where it turns, how loud, its loop seam;
# and the maker renders the same bytes a second time.
demo_test(soundtrack_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/soundtrack_test.cpp
  LIBS PkgConfig::SNDFILE)
target_compile_definitions(soundtrack_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(soundtrack_test soundtrack_data)
add_test(NAME soundtrack_reproduces_data
  COMMAND sh -c "\"$1\" \"$2\" && cmp \"$2\" \"$3\"" soundtrack-test
          $<TARGET_FILE:soundtrack> ${CMAKE_BINARY_DIR}/data-rerun.dat ${CMAKE_BINARY_DIR}/data.dat)

# The Windows music library's resampler, natively (it is portable code).
demo_test(sinc_resampler_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sinc_resampler_test.cpp ${CMAKE_SOURCE_DIR}/audio/sinc_resampler.cpp)
