# The spine: sequencer, fade, events, presentation, pacing.
demo_test(spine_test
  SOURCES spine_sequencer_test.cpp spine_events_test.cpp
          spine_present_test.cpp spine_pacing_test.cpp
  LIBS demo_host)
demo_test(spine_lock_test SOURCES spine_lock_test.cpp LIBS demo_host)
