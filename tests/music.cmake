# Music tests: the music library under SDL's disk audio driver, the host's
# music binding against a fake library, and the whole demo under Xvfb.
pkg_check_modules(MUSIC_SNDFILE REQUIRED IMPORTED_TARGET sndfile)

demo_test(music_library_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/music_library_test.cpp
  LIBS demobass PkgConfig::SDL PkgConfig::MUSIC_SNDFILE)

# The host's music binding against a fake library. Each directory under
# music_fake/ is a setting the binding must cope with: the full fake, or a
# fake lacking BASS_ChannelIsSliding. The driver runs from each; the binding
# looks beside the executable first.
set(MUSIC_FAKE_DIR ${CMAKE_CURRENT_BINARY_DIR}/music_fake)
foreach(variant full no_is_sliding)
  set(fake music_fake_bass_${variant})
  add_library(${fake} MODULE ${CMAKE_CURRENT_SOURCE_DIR}/music_fake_bass.cpp)
  set_target_properties(${fake} PROPERTIES
    OUTPUT_NAME demobass PREFIX lib
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${MUSIC_FAKE_DIR}/${variant})
endforeach()
target_compile_definitions(music_fake_bass_no_is_sliding PRIVATE FAKE_BASS_WITHOUT_IS_SLIDING)

add_executable(music_driver ${CMAKE_CURRENT_SOURCE_DIR}/music_driver.cpp)
target_link_libraries(music_driver PRIVATE demo_host)
# No run path into the build tree: the fake beside it must be the one found.
set_target_properties(music_driver PROPERTIES
  SKIP_BUILD_RPATH ON
  RUNTIME_OUTPUT_DIRECTORY ${MUSIC_FAKE_DIR}/full)
add_custom_command(TARGET music_driver POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MUSIC_FAKE_DIR}/no_is_sliding
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:music_driver> ${MUSIC_FAKE_DIR}/no_is_sliding/)

demo_test(music_program_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/music_program_test.cpp
  LIBS demo_host)
target_compile_definitions(music_program_test PRIVATE MUSIC_FAKE_DIR="${MUSIC_FAKE_DIR}")
set_target_properties(music_program_test PROPERTIES
  SKIP_BUILD_RPATH ON
  RUNTIME_OUTPUT_DIRECTORY ${MUSIC_FAKE_DIR}/full)
add_dependencies(music_program_test music_driver music_fake_bass_full
  music_fake_bass_no_is_sliding)

# The whole demo under Xvfb, from the build directory as the README runs it.
demo_test(music_e2e_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/music_e2e_test.cpp)
target_compile_definitions(music_e2e_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(music_e2e_test demo demobass soundtrack_data)

# The soundtrack the build rendered: where it turns, how loud, its loop seam;
# and the maker renders the same bytes a second time.
demo_test(soundtrack_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/soundtrack_test.cpp
  LIBS PkgConfig::MUSIC_SNDFILE)
target_compile_definitions(soundtrack_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(soundtrack_test soundtrack_data)
add_test(NAME soundtrack_reproduces_data
  COMMAND sh -c "\"$1\" \"$2\" && cmp \"$2\" \"$3\"" soundtrack-test
          $<TARGET_FILE:soundtrack> ${CMAKE_BINARY_DIR}/data-rerun.dat ${CMAKE_BINARY_DIR}/data.dat)
