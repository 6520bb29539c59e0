# windows.cmake - the Windows build's programs and release zip, included by
# CMakeLists.txt when it cross-compiles for Windows (cmake/mingw-w64.cmake):
#   demo.exe          the demo on the Win32 platform (platform/win32/), a
#                     window program (no console of its own)
#   demo-capture.exe  the capture tool on the null platform over Win32's
#                     system calls (tools/capture/, without video)
#   data.dat          the soundtrack the native build composed
# and the `package` target's build-windows/quillfen-<version>-win64.zip.

# Windows' headers and libraries: no min/max macros, no rarely used parts.
target_compile_definitions(demo_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)

add_library(platform_win32 OBJECT ${DEMO_WIN32_SOURCES} ${DEMO_WIN32_SYSTEM_SOURCES})
target_link_libraries(platform_win32 PUBLIC demo_host user32 gdi32 winmm)

add_library(platform_null OBJECT ${DEMO_NULL_SOURCES} ${DEMO_WIN32_SYSTEM_SOURCES})
target_link_libraries(platform_null PUBLIC demo_host winmm)

add_executable(demo WIN32 platform/win32/main.cpp)
target_link_libraries(demo PRIVATE platform_win32)
set_target_properties(demo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

set(DEMO_MUSIC_FILE "" CACHE FILEPATH "The native build's data.dat, the soundtrack shipped beside demo.exe")
if(NOT EXISTS "${DEMO_MUSIC_FILE}")
  message(FATAL_ERROR "DEMO_MUSIC_FILE (${DEMO_MUSIC_FILE}) is missing; build the native build first (cmake --preset default && cmake --build --preset default).")
endif()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/data.dat
  COMMAND ${CMAKE_COMMAND} -E copy ${DEMO_MUSIC_FILE} ${CMAKE_BINARY_DIR}/data.dat
  DEPENDS ${DEMO_MUSIC_FILE}
  COMMENT "Copying the soundtrack beside demo.exe")
add_custom_target(soundtrack_data ALL DEPENDS ${CMAKE_BINARY_DIR}/data.dat)

# The release zip, as demos are released: one folder with the program, its
# music and a text file (packaging/quillfen-windows.txt).
configure_file(packaging/quillfen-windows.txt ${CMAKE_BINARY_DIR}/quillfen.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS demo RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/data.dat ${CMAKE_BINARY_DIR}/quillfen.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quillfen)
set(CPACK_PACKAGE_FILE_NAME quillfen-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
