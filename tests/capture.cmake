# The capture tool: its arguments, trace, snapshots and videos, and the whole
# script against independently computed traces and the recorded canvas CRCs.
demo_test(capture_test SOURCES capture_test.cpp LIBS PkgConfig::ZLIB)
target_compile_definitions(capture_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(capture_test demo-capture soundtrack_data demobass)

add_test(NAME reference_traces
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/reference_trace_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(reference_traces PROPERTIES TIMEOUT 600)
# The whole script again with glibc's FMA and AVX2 code paths switched off,
# as on a CPU without them: the frames must not depend on which the C library picks.
add_test(NAME reference_traces_without_fma
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/reference_trace_test.sh ${CMAKE_BINARY_DIR} nokeys)
set_tests_properties(reference_traces_without_fma PROPERTIES TIMEOUT 600
  ENVIRONMENT "GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2_Usable,-FMA_Usable,-FMA,-AVX2")
