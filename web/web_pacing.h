// web_pacing.h - holds the web page to 60 demo frames per second on the
// browser's animation frames.
//
// The browser calls back once per display refresh, whatever the display's
// rate: 60 Hz, 120 Hz, 144 Hz, 30 Hz, or not at all while the tab is hidden
// or the machine is busy. At each callback the pacer says how many frames are
// due on a fixed 1/60 s schedule (host/pacing.h): none on a fast display's
// extra refreshes, one usually, two on a 30 Hz display. So the picture keeps
// the music's pace on every display. A short hiccup is made up at the next
// refresh; after a longer stall (a hidden tab, a frozen page) the schedule
// starts again instead of racing through the missed frames. Used by
// web_main.cpp when the page plays without music (with music, the music
// heard leads: host/music_pacing.h); pure, so tests drive it with made-up
// refresh times.
#pragma once

#include <cstdint>

#include "host/pacing.h"

// Animation-frame times jitter by a fraction of a millisecond or two; a frame
// that comes this early is taken rather than left for the next refresh, which
// on a 60 Hz display would halve the frame rate.
constexpr int64_t kEarlyFrameToleranceNs = 4'000'000;

// The most frames one refresh makes up (a quarter of a second): past it the
// stall is a stall, and the picture does not jump ahead to make it up.
constexpr int kMaxCatchUpFrames = 15;

struct AnimationPacer {
  FrameSchedule schedule;  // the frame due next; meaningless until started
  bool started;
};

// Called at each animation frame with its time in ns on the browser's clock.
// Returns how many frames to draw at this refresh, 0 to kMaxCatchUpFrames
// (the first call, and the first after a stall, return 1), and moves the
// schedule past them.
int pacerFramesDue(AnimationPacer& pacer, int64_t now);
