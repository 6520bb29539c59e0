# Every frame the same on another processor: the capture tool built for
# 64-bit ARM Linux (cmake/aarch64-linux-gnu.cmake, capture only) into
# build/aarch64 by the first test, then the three recorded runs' traces under
# qemu-aarch64-static against the references and the recorded canvas CRCs.
if(DEMO_SANITIZE)
  return()
endif()

find_program(DEMO_AARCH64_CXX aarch64-linux-gnu-g++)
find_program(DEMO_QEMU_AARCH64 qemu-aarch64-static)
if(NOT DEMO_AARCH64_CXX OR NOT DEMO_QEMU_AARCH64)
  demo_missing_test(aarch64_traces "g++-aarch64-linux-gnu and qemu-user-static")
  return()
endif()

set(aarch64_dir ${CMAKE_BINARY_DIR}/aarch64)
add_test(NAME aarch64_build COMMAND sh -c "\"$1\" -S \"$2\" -B \"$3\" -DCMAKE_TOOLCHAIN_FILE=\"$2/cmake/aarch64-linux-gnu.cmake\" -DCMAKE_BUILD_TYPE=Release -DDEMO_GENERATED_ASSETS=\"$4\" --log-level=WARNING && \"$1\" --build \"$3\" -j2"
  aarch64-build ${CMAKE_COMMAND} ${CMAKE_SOURCE_DIR} ${aarch64_dir} ${CMAKE_BINARY_DIR}/assets)
set_tests_properties(aarch64_build PROPERTIES FIXTURES_SETUP aarch64 TIMEOUT 600)

add_test(NAME aarch64_traces
  COMMAND ${CMAKE_COMMAND} -E env QEMU_LD_PREFIX=/usr/aarch64-linux-gnu
          DEMO_CAPTURE=${aarch64_dir}/demo-capture DEMO_CAPTURE_RUNNER=${DEMO_QEMU_AARCH64}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/reference_trace_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(aarch64_traces PROPERTIES FIXTURES_REQUIRED aarch64 TIMEOUT 600)
