# The real demo on an X server (Xvfb), each script through the runner in
# support/demo_on_x.sh: installed and packaged copies, and bad situations
# and ways to end it (a close request, with the helper that sends one).
find_package(X11 REQUIRED)
add_executable(send_close support/send_close.c)
target_link_libraries(send_close PRIVATE demo_options X11::X11)
# Installed and packaged, the demo still finds its library and music.
add_test(NAME install_and_packages
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_and_packages PROPERTIES TIMEOUT 300)

# Bad situations: no display, no audio device, no or partial music library,
# bad music files; a close request, stop signals, the X server's death.
add_test(NAME fault_injection
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/fault_injection.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:send_close>)
set_tests_properties(fault_injection PROPERTIES TIMEOUT 300)
