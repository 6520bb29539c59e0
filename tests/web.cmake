# The web page (web/): its pacing natively, then the page itself built with
# Emscripten and tested in Debian's chromium.
#
# The `web` target builds the page folder into build/web (page, scripts,
# wasm, data.dat, compressed copies) with a nested Emscripten build in
# build/web-build, from the asset sources this build generates. It is part of
# `all`, so the README's build and test command builds and tests the page
# too. The browser tests need emscripten, chromium, brotli and Node.js from
# Debian and playwright-core from npm (`npm ci` in web/); a missing one fails
# the tests with its name. One test per group of web/tests/browser_test.mjs,
# each one browser with a fresh context per check; the capture group holds
# the page to the whole-run test's records in tests/data. web_firefox runs
# the checks that matter to viewers in a second engine, Debian's
# firefox-esr, with puppeteer-core from npm.
demo_test(web_native_test
  SOURCES ${CMAKE_SOURCE_DIR}/web/tests/web_native_test.cpp ${CMAKE_SOURCE_DIR}/web/web_pacing.cpp
  LIBS platform_null)

# The page is the same whatever the sanitizers: build and test it once, in
# the plain build.
if(DEMO_SANITIZE)
  return()
endif()

find_program(DEMO_EMCMAKE emcmake)
find_program(DEMO_NODE NAMES node nodejs)
find_program(DEMO_CHROMIUM chromium)
find_program(DEMO_BROTLI brotli)
find_program(DEMO_FIREFOX firefox-esr)
set(DEMO_WEB_OUT ${CMAKE_BINARY_DIR}/web)
set(web_missing "")
foreach(tool DEMO_EMCMAKE DEMO_NODE DEMO_CHROMIUM DEMO_BROTLI)
  if(NOT ${tool})
    list(APPEND web_missing ${tool})
  endif()
endforeach()
if(NOT EXISTS ${CMAKE_SOURCE_DIR}/web/node_modules/playwright-core/package.json)
  list(APPEND web_missing "playwright-core (npm ci in web/)")
endif()

set(DEMO_WEB_ADDRESS "" CACHE STRING "Where the web page will be published (https://host/path/), for its link previews")
if(DEMO_EMCMAKE)
  set(web_music_option "")
  if(TARGET soundtrack_data)
    set(web_music_option -DDEMO_MUSIC_FILE=${CMAKE_BINARY_DIR}/data.dat)
  endif()
  # Debian's Emscripten runs its tools under the system's Node.js and finds
  # their modules only through NODE_PATH.
  # The nested make runs on its own (-j1), not in the outer make's job server.
  set(web_env ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS NODE_PATH=/usr/share/nodejs)
  add_custom_target(web ALL
    COMMAND ${web_env} ${DEMO_EMCMAKE} ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR}/web
            -B ${CMAKE_BINARY_DIR}/web-build -DDEMO_GENERATED_ASSETS=${CMAKE_BINARY_DIR}/assets
            -DDEMO_WEB_OUT=${DEMO_WEB_OUT} "-DDEMO_WEB_ADDRESS=${DEMO_WEB_ADDRESS}"
            ${web_music_option} --log-level=NOTICE
    COMMAND ${web_env} ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR}/web-build
    COMMENT "Building the web page into ${DEMO_WEB_OUT}"
    VERBATIM)
  add_dependencies(web demo_assets)
  if(TARGET soundtrack_data)
    add_dependencies(web soundtrack_data)
  endif()
endif()

# The local server needs Node.js only.
if(DEMO_NODE)
  add_test(NAME web_serve COMMAND ${DEMO_NODE} --test ${CMAKE_SOURCE_DIR}/web/tests/serve_test.mjs)
else()
  add_test(NAME web_serve COMMAND sh -c "echo 'web_serve needs Node.js (see tools/setup-debian.sh)' >&2; exit 1")
endif()

set(web_groups plays touch loading capture)
foreach(group ${web_groups})
  if(web_missing)
    add_test(NAME web_browser_${group}
      COMMAND sh -c "echo 'web tests need: ${web_missing} (see tools/setup-debian.sh)' >&2; exit 1")
  else()
    add_test(NAME web_browser_${group}
      COMMAND ${DEMO_NODE} ${CMAKE_SOURCE_DIR}/web/tests/browser_test.mjs --web ${DEMO_WEB_OUT}
              --chromium ${DEMO_CHROMIUM} --group ${group})
    set_tests_properties(web_browser_${group} PROPERTIES TIMEOUT 300 RESOURCE_LOCK chromium)
  endif()
endforeach()

set(firefox_missing ${web_missing})
if(NOT DEMO_FIREFOX)
  list(APPEND firefox_missing DEMO_FIREFOX)
endif()
if(NOT EXISTS ${CMAKE_SOURCE_DIR}/web/node_modules/puppeteer-core/package.json)
  list(APPEND firefox_missing "puppeteer-core (npm ci in web/)")
endif()
if(firefox_missing)
  add_test(NAME web_firefox
    COMMAND sh -c "echo 'web_firefox needs: ${firefox_missing} (see tools/setup-debian.sh)' >&2; exit 1")
else()
  add_test(NAME web_firefox
    COMMAND ${DEMO_NODE} ${CMAKE_SOURCE_DIR}/web/tests/firefox_test.mjs --web ${DEMO_WEB_OUT} --firefox ${DEMO_FIREFOX})
  set_tests_properties(web_firefox PROPERTIES TIMEOUT 300)
endif()
