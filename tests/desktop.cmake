# The real demo on an X server (Xvfb), each script through the runner in
# support/demo_on_x.sh: keys and a close request (with the helper that sends
# one), installed and packaged copies, bad situations.
find_package(X11 REQUIRED)
add_executable(send_close support/send_close.c)
target_link_libraries(send_close PRIVATE X11::X11)
add_test(NAME demo_end_to_end
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e_demo.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:send_close>)
set_tests_properties(demo_end_to_end PROPERTIES TIMEOUT 120)

# Installed and packaged, the demo still finds its library and music.
add_test(NAME install_and_packages
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_and_packages PROPERTIES TIMEOUT 300)

# Bad situations: no display, no audio device, no or partial music library,
# bad music files, stop signals, the X server's death.
add_test(NAME fault_injection
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/fault_injection.sh ${CMAKE_BINARY_DIR})
set_tests_properties(fault_injection PROPERTIES TIMEOUT 300)
