// pacing.h - holds the demo to 60 frames per second.
//
// Every animation advances one step per frame, so the frame rate is the
// demo's speed. A flip that waits for the display's vertical blank paces it
// already on a 60 Hz screen; on drivers whose flip returns at once, or on
// faster screens, the pacer waits out the rest of each 1/60 s on a monotonic
// clock. It keeps to a fixed schedule (no drift) but after a stall it starts
// a new schedule instead of racing through frames to catch up.
// Used by demoMain only; the capture tool runs unpaced.
#pragma once

#include <cstdint>

constexpr int64_t kFramePeriodNs = 1'000'000'000 / 60;

// Starts the schedule: the first frame is due one period from now.
void pacerStart();

// Called after each presented frame: sleeps until the frame's deadline, then
// sets the next one. A frame that ran late is not waited for; one that ran
// more than a whole period late restarts the schedule from now.
void pacerWait();

// The scheduling rule on its own, for tests: given the deadline that was due
// and the time now (both in ns on one clock), the next deadline.
int64_t nextDeadline(int64_t deadline, int64_t now);
