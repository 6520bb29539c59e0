# Bad situations with the real demo binary under Xvfb: no display, no audio
# device, no or partial music library, bad music files, stop signals.
add_test(NAME fault_injection
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/fault_injection.sh ${CMAKE_BINARY_DIR})
set_tests_properties(fault_injection PROPERTIES TIMEOUT 300)
