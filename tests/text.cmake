# Tests of the text renderer and its font (included by tests/CMakeLists.txt).
demo_test(text_draw_test SOURCES text_draw_test.cpp LIBS demo_core)

demo_test(text_font_test SOURCES text_font_test.cpp LIBS demo_assets)
target_compile_definitions(text_font_test PRIVATE
  COMMITTED_STRIP="${CMAKE_SOURCE_DIR}/assets/font-strip.ppm")
# The font maker is built only where FreeType is installed.
if(TARGET fontmaker)
  target_compile_definitions(text_font_test PRIVATE FONTMAKER="$<TARGET_FILE:fontmaker>")
  add_dependencies(text_font_test fontmaker)
endif()
