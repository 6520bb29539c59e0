// web_pacing.h - holds the web page to 60 demo frames per second on the
// browser's animation frames.
//
// The browser calls back once per display refresh, whatever the display's
// rate: 60 Hz, 120 Hz, 144 Hz, or not at all while the tab is hidden. The
// demo draws at most one frame per callback, and only when its 1/60 s
// schedule says one is due, so a fast display holds frames instead of
// running the demo faster. The schedule is the desktop pacer's (host/pacing.h):
// frames due at fixed times from a start, and a new start after a stall, so
// a tab that comes back after a while goes on at normal speed instead of
// racing to catch up. Used by web_main.cpp; pure, so tests drive it with
// made-up refresh times.
#pragma once

#include <cstdint>

#include "host/pacing.h"

// Animation-frame times jitter by a fraction of a millisecond or two; a frame
// that comes this early is taken rather than left for the next refresh, which
// on a 60 Hz display would halve the frame rate.
constexpr int64_t kEarlyFrameToleranceNs = 4'000'000;

struct AnimationPacer {
  FrameSchedule schedule;  // the frame due next; meaningless until started
  bool started;
};

// Called at each animation frame with its time in ns on the browser's clock.
// Returns true when the demo draws a frame at this refresh (the first call
// always does) and moves the schedule on; false when the frame is held.
bool pacerTakesFrame(AnimationPacer& pacer, int64_t now);
