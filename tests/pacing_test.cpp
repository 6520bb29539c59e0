// pacing_test.cpp - the pacer's schedule: fixed steps while on time, no
// drift, no catching up after a stall.
#include "host/pacing.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kStart = 5'000'000'000;

TEST(Pacing, KeepsTheScheduleUnlessAFrameIsAWholePeriodLate) {
  const FrameSchedule schedule{kStart, 10};
  const int64_t due = deadlineOf(schedule);
  for (const int64_t now : {due - 3'000'000, due, due + kFramePeriodNs - 1}) {
    const FrameSchedule next = nextSchedule(schedule, now);
    EXPECT_TRUE(next.start == kStart && next.frames == 11) << now - due;
  }
  // A stall starts a new schedule instead of a burst of frames.
  for (const int64_t now : {due + kFramePeriodNs, due + 10 * kFramePeriodNs + 12345})
    EXPECT_EQ(deadlineOf(nextSchedule(schedule, now)), now + kFramePeriodNs) << now - due;
}

TEST(Pacing, SixtyFramesTakeExactlyOneSecondWithoutDrift) {
  FrameSchedule schedule{kStart, 1};
  for (int frame = 1; frame < 60; ++frame) schedule = nextSchedule(schedule, deadlineOf(schedule));
  EXPECT_EQ(deadlineOf(schedule), kStart + 1'000'000'000);
  for (int frame = 0; frame < 3600; ++frame)
    schedule = nextSchedule(schedule, deadlineOf(schedule));
  EXPECT_EQ(deadlineOf(schedule), kStart + 61'000'000'000) << "drift over a minute";
}

}  // namespace
