# Tests of a frame's way from the keyboard to the screen: the scene script,
# the frame loop's events, the presentation and the pacer.
demo_test(frame_test
  SOURCES scene_script_test.cpp frame_loop_test.cpp pacing_test.cpp music_sync_test.cpp
  LIBS platform_null)
# The SDL platform's presentation and inputs; the second program puts
# counting stand-ins in place of SDL's lock calls.
demo_test(sdl_platform_test SOURCES present_test.cpp sdl_input_test.cpp LIBS platform_sdl)
demo_test(present_lock_test SOURCES present_lock_test.cpp LIBS platform_sdl)
