# The capture tool: its arguments, trace, snapshots and videos, and the whole
# script against independently computed traces and the recorded canvas CRCs.
demo_test(capture_test SOURCES capture_test.cpp LIBS PkgConfig::ZLIB)
target_compile_definitions(capture_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(capture_test demo-capture soundtrack_data demobass)

add_test(NAME reference_traces
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/reference_trace_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(reference_traces PROPERTIES TIMEOUT 600)
