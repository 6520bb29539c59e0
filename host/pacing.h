// pacing.h - holds the demo to 60 frames per second.
//
// Every animation advances one step per frame, so the frame rate is the
// demo's speed. A flip that waits for the display's vertical blank paces it
// already on a 60 Hz screen; on drivers whose flip returns at once, or on
// faster screens, the pacer waits out the rest of each 1/60 s on a monotonic
// clock. It keeps to a fixed schedule (no drift) but after a stall it starts
// a new schedule instead of racing through frames to catch up.
// Used by demoMain; the page keeps the same schedule on the browser's
// animation frames (web/web_pacing.h), and the capture tool runs unpaced.
#pragma once

#include <cstdint>

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kFramesPerSecond = 60;
constexpr int64_t kFramePeriodNs = kNsPerSecond / kFramesPerSecond;  // rounded down

// Starts the schedule: the first frame is due one period from now.
void pacerStart();

// Called after each presented frame: sleeps until the frame's deadline, then
// sets the next one. A frame that ran late is not waited for; one that ran
// a whole period late or more restarts the schedule from now.
void pacerWait();

// A schedule of frames due at start + frames / 60 s (ns on one clock),
// computed from the start so rounding never accumulates.
struct FrameSchedule {
  int64_t start;
  int64_t frames;
};

int64_t deadlineOf(FrameSchedule schedule);

// The scheduling rule on its own, for tests: the schedule after the frame
// due at deadlineOf(schedule) was presented at `now`.
FrameSchedule nextSchedule(FrameSchedule schedule, int64_t now);
