# The spine: sequencer, fade, events, presentation, pacing, capture tool.
demo_test(spine_test
  SOURCES spine_sequencer_test.cpp spine_fade_test.cpp spine_events_test.cpp
          spine_present_test.cpp spine_pacing_test.cpp
  LIBS demo_host)
demo_test(spine_lock_test SOURCES spine_lock_test.cpp LIBS demo_host)
demo_test(spine_capture_test SOURCES spine_capture_test.cpp LIBS PkgConfig::ZLIB)
target_compile_definitions(spine_capture_test PRIVATE DEMO_CAPTURE="$<TARGET_FILE:demo-capture>")
add_dependencies(spine_capture_test demo-capture)

# End to end on an X server, with the helper that sends a close request.
find_package(X11 REQUIRED)
add_executable(send_close support/send_close.c)
target_link_libraries(send_close PRIVATE X11::X11)
add_test(NAME demo_end_to_end
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e_demo.sh $<TARGET_FILE:demo> $<TARGET_FILE:send_close>)
set_tests_properties(demo_end_to_end PROPERTIES TIMEOUT 120)

# The capture tool's videos, read back with ffmpeg.
demo_test(video_capture_test SOURCES video_capture_test.cpp LIBS PkgConfig::ZLIB)
target_compile_definitions(video_capture_test PRIVATE DEMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(video_capture_test demo-capture soundtrack_data demobass)

# Installed and packaged, the demo still finds its library and music.
add_test(NAME install_and_packages
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_and_packages PROPERTIES TIMEOUT 300)

# The whole script against independently computed state traces.
add_test(NAME reference_traces
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/reference_trace_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(reference_traces PROPERTIES TIMEOUT 600)
