// The pacer's schedule: fixed steps while on time, no catching up after a stall.
#include <gtest/gtest.h>

#include "host/pacing.h"

namespace {

constexpr int64_t kStart = 5'000'000'000;

TEST(Pacing, KeepsTheScheduleUnlessAFrameIsAWholePeriodLate) {
  const FrameSchedule schedule{kStart, 10};
  const int64_t due = deadlineOf(schedule);
  for (const int64_t now : {due - 3'000'000, due, due + kFramePeriodNs - 1}) {
    const FrameSchedule next = nextSchedule(schedule, now);
    EXPECT_EQ(next.start, kStart);
    EXPECT_EQ(next.frames, 11);
  }
  // A stall starts a new schedule instead of a burst of frames.
  for (const int64_t now : {due + kFramePeriodNs, due + 10 * kFramePeriodNs + 12345})
    EXPECT_EQ(deadlineOf(nextSchedule(schedule, now)), now + kFramePeriodNs);
}

TEST(Pacing, SixtyFramesTakeExactlyOneSecond) {
  FrameSchedule schedule{kStart, 1};
  for (int frame = 1; frame < 60; ++frame) schedule = nextSchedule(schedule, deadlineOf(schedule));
  EXPECT_EQ(deadlineOf(schedule), kStart + 1'000'000'000);
  for (int frame = 0; frame < 3600; ++frame) schedule = nextSchedule(schedule, deadlineOf(schedule));
  EXPECT_EQ(deadlineOf(schedule), kStart + 61'000'000'000) << "no drift over a minute";
}

}  // namespace
