# The web page (web/): its pacing natively, then the page itself built with
# Emscripten (the `web` target, cmake/web.cmake) and tested in Debian's
# chromium. The first test, web_page, builds the page, so the README's build
# and test command tests the page as it is. The browser tests need emscripten, chromium, brotli and Node.js from
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

find_program(DEMO_NODE NAMES node nodejs)
find_program(DEMO_CHROMIUM chromium)
find_program(DEMO_BROTLI brotli)
find_program(DEMO_FIREFOX firefox-esr)
set(web_missing "")
foreach(tool DEMO_EMCMAKE DEMO_NODE DEMO_CHROMIUM DEMO_BROTLI)
  if(NOT ${tool})
    list(APPEND web_missing ${tool})
  endif()
endforeach()
if(NOT EXISTS ${CMAKE_SOURCE_DIR}/web/node_modules/playwright-core/package.json)
  list(APPEND web_missing "playwright-core (npm ci in web/)")
endif()

add_test(NAME web_page COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target web)
set_tests_properties(web_page PROPERTIES FIXTURES_SETUP web_page TIMEOUT 600)

# The local server needs Node.js only.
if(DEMO_NODE)
  add_test(NAME web_serve COMMAND ${DEMO_NODE} --test ${CMAKE_SOURCE_DIR}/web/tests/serve_test.mjs)
else()
  demo_missing_test(web_serve Node.js)
endif()

set(web_groups plays touch loading capture)
foreach(group ${web_groups})
  if(web_missing)
    demo_missing_test(web_browser_${group} "${web_missing}")
  else()
    add_test(NAME web_browser_${group}
      COMMAND ${DEMO_NODE} ${CMAKE_SOURCE_DIR}/web/tests/browser_test.mjs --web ${DEMO_WEB_OUT}
              --chromium ${DEMO_CHROMIUM} --group ${group})
    set_tests_properties(web_browser_${group} PROPERTIES TIMEOUT 300 RESOURCE_LOCK chromium
                         FIXTURES_REQUIRED web_page)
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
  demo_missing_test(web_firefox "${firefox_missing}")
else()
  add_test(NAME web_firefox
    COMMAND ${DEMO_NODE} ${CMAKE_SOURCE_DIR}/web/tests/firefox_test.mjs --web ${DEMO_WEB_OUT} --firefox ${DEMO_FIREFOX})
  set_tests_properties(web_firefox PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED web_page)
endif()
