# web.cmake - the `web` target: the demo as a web page (web/), built into
# build/web (page, scripts, wasm, data.dat, compressed copies) by a nested
# Emscripten build in build/web-build from the asset sources this build
# generates. Not part of `all`: `cmake --build --preset default --target web`
# makes it, and the tests make it first (tests/web.cmake). Needs only the
# packages that build the demo, plus Debian's emscripten.
set(DEMO_WEB_OUT ${CMAKE_BINARY_DIR}/web)
set(DEMO_WEB_ADDRESS "" CACHE STRING "Where the web page will be published (https://host/path/), for its link previews")
find_program(DEMO_EMCMAKE emcmake)
if(NOT DEMO_EMCMAKE)
  add_custom_target(web COMMAND sh -c "echo 'the web page needs Emscripten: apt-get install emscripten' >&2; exit 1")
  return()
endif()

set(web_build ${CMAKE_BINARY_DIR}/web-build)
# The nested build's options: rewritten only when they change, which is when
# the nested build is configured again (it notices changes to its own CMake
# files itself).
set(web_options -DDEMO_GENERATED_ASSETS=${CMAKE_BINARY_DIR}/assets -DDEMO_WEB_OUT=${DEMO_WEB_OUT}
    -DDEMO_WEB_ADDRESS=${DEMO_WEB_ADDRESS} -DDEMO_MUSIC_FILE=${CMAKE_BINARY_DIR}/data.dat)
file(CONFIGURE OUTPUT ${web_build}-options.txt CONTENT "${web_options}\n")

# Debian's Emscripten runs its tools under the system's Node.js and finds
# their modules only through NODE_PATH. The nested make runs on its own
# (-j1), not in the outer make's job server.
set(web_env ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS NODE_PATH=/usr/share/nodejs)
# (A stamp, as CMake leaves an unchanged cache file's time alone.)
add_custom_command(OUTPUT ${web_build}-configured.stamp
  COMMAND ${web_env} ${DEMO_EMCMAKE} ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR}/web -B ${web_build}
          ${web_options} --log-level=NOTICE
  COMMAND ${CMAKE_COMMAND} -E touch ${web_build}-configured.stamp
  DEPENDS ${web_build}-options.txt
  COMMENT "Configuring the web page's Emscripten build"
  VERBATIM)
add_custom_target(web
  COMMAND ${web_env} ${CMAKE_COMMAND} --build ${web_build}
  DEPENDS ${web_build}-configured.stamp
  COMMENT "Building the web page into ${DEMO_WEB_OUT}"
  VERBATIM)
add_dependencies(web demo_assets soundtrack_data)
