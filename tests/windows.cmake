# Windows: the cross-compiled build (cmake/windows.cmake) and its programs
# under Wine.
#
# The `windows` target configures and builds the Windows programs and their
# zip into build/windows with MinGW-w64, from the asset sources and the
# data.dat this build makes. It is not part of `all`: the first test,
# windows_build, makes it, so the README's build and test command builds and
# tests it.
# The tests share one Wine prefix inside build/windows (made by the first,
# about 10 s) and one wineserver kept warm between them, and run one at a
# time: they change the prefix's audio setting.
if(DEMO_SANITIZE)
  return()
endif()

set(DEMO_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
find_program(DEMO_MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(DEMO_WINE wine)
find_program(DEMO_XVFB Xvfb)
find_program(DEMO_XDOTOOL xdotool)
find_program(DEMO_FFMPEG ffmpeg)
set(windows_missing "")
foreach(tool DEMO_MINGW_CXX DEMO_WINE DEMO_XVFB DEMO_XDOTOOL DEMO_FFMPEG)
  if(NOT ${tool})
    list(APPEND windows_missing ${tool})
  endif()
endforeach()

if(DEMO_MINGW_CXX)
  # The nested make runs on its own (-j2), not in the outer make's job server.
  set(windows_env ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS)
  add_custom_target(windows
    COMMAND ${windows_env} ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${DEMO_WINDOWS_DIR}
            -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64.cmake
            -DCMAKE_BUILD_TYPE=Release -DDEMO_GENERATED_ASSETS=${CMAKE_BINARY_DIR}/assets
            -DDEMO_MUSIC_FILE=${CMAKE_BINARY_DIR}/data.dat --log-level=NOTICE
    COMMAND ${windows_env} ${CMAKE_COMMAND} --build ${DEMO_WINDOWS_DIR} -j2
    COMMAND ${windows_env} ${CMAKE_COMMAND} --build ${DEMO_WINDOWS_DIR} --target package
    COMMENT "Building the Windows programs and zip into ${DEMO_WINDOWS_DIR}"
    VERBATIM)
  add_dependencies(windows demo_assets soundtrack_data)
endif()

if(NOT windows_missing)
  add_test(NAME windows_build COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target windows)
  set_tests_properties(windows_build PROPERTIES FIXTURES_SETUP windows_build TIMEOUT 600)
endif()

set(windows_groups prefix traces capture demo package)
foreach(group ${windows_groups})
  if(windows_missing)
    demo_missing_test(windows_${group} "${windows_missing}")
  else()
    add_test(NAME windows_${group}
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_test.sh ${group} ${CMAKE_BINARY_DIR}
              ${DEMO_WINDOWS_DIR} $<TARGET_FILE:send_close>)
    set_tests_properties(windows_${group} PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine
                         FIXTURES_REQUIRED windows_build)
    if(NOT group MATCHES "prefix|package")
      set_tests_properties(windows_${group} PROPERTIES FIXTURES_REQUIRED "windows_build;wine")
    endif()
  endif()
endforeach()
if(NOT windows_missing)
  set_tests_properties(windows_prefix PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME windows_prefix_stop
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_test.sh stop ${CMAKE_BINARY_DIR} ${DEMO_WINDOWS_DIR})
  set_tests_properties(windows_prefix_stop PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wine)
endif()
