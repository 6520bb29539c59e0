// pacing_test.cpp - the pacer's schedule: fixed steps while on time, no
// drift, no catching up after a stall.
#include "host/pacing.h"

#include <gtest/gtest.h>

#include "host/music_pacing.h"

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

// The music's clock: its steps, a stopped process and a stalled device.
TEST(MusicClock, FollowsTheMusicRunsOnThroughAStallAndSkipsTimeNotRun) {
  constexpr int64_t kMs = 1'000'000;
  bool move = false;
  MusicClock clock = startMusicClock(10.0, kStart);
  // Between two of the library's steps the clock runs on at real speed.
  EXPECT_DOUBLE_EQ(readMusicClock(clock, 10.0, kStart + 8 * kMs, move), 10.008);
  EXPECT_DOUBLE_EQ(readMusicClock(clock, 10.02, kStart + 16 * kMs, move), 10.02);
  EXPECT_FALSE(move);
  // Stopped for 5 s, music and loop alike: it carries on where the music is.
  EXPECT_DOUBLE_EQ(readMusicClock(clock, 10.02, kStart + 5016 * kMs, move), 10.02);
  // The music went on while the loop was stopped: the clock goes there.
  EXPECT_DOUBLE_EQ(readMusicClock(clock, 12.0, kStart + 9000 * kMs, move), 12.0);
  EXPECT_FALSE(move);
  // A device that stalls: the clock runs on for a whole second of looks...
  int64_t now = kStart + 9000 * kMs;
  for (int look = 0; look < 100; ++look) readMusicClock(clock, 12.0, now += 10 * kMs, move);
  EXPECT_DOUBLE_EQ(readMusicClock(clock, 12.0, now += 10 * kMs, move), 13.01);
  // ...and when it plays again, the music is moved to the clock, not back.
  EXPECT_DOUBLE_EQ(readMusicClock(clock, 12.005, now += 10 * kMs, move), 13.02);
  EXPECT_TRUE(move);
  moveMusicClock(clock, 18.0, now += 5 * kMs);  // a skip moves the music on
  EXPECT_NEAR(readMusicClock(clock, -1.0, now += 5 * kMs, move), 31.03, 1e-9);
  EXPECT_FALSE(move);
}

}  // namespace
