# The capture tool: its trace and snapshots, its videos, and the whole script
# against independently computed traces.
demo_test(spine_capture_test SOURCES spine_capture_test.cpp LIBS PkgConfig::ZLIB)
target_compile_definitions(spine_capture_test PRIVATE DEMO_CAPTURE="$<TARGET_FILE:demo-capture>")
add_dependencies(spine_capture_test demo-capture)

# The capture tool's videos, read back with ffmpeg.
demo_test(video_capture_test SOURCES video_capture_test.cpp LIBS PkgConfig::ZLIB)
target_compile_definitions(video_capture_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(video_capture_test demo-capture soundtrack_data demobass)

# The whole script against independently computed state traces.
add_test(NAME reference_traces
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/reference_trace_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(reference_traces PROPERTIES TIMEOUT 600)
