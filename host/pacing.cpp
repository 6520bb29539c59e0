// pacing.cpp - the frame pacer over CLOCK_MONOTONIC.
#include "host/pacing.h"

#include <cerrno>
#include <ctime>

namespace {

FrameSchedule pacerSchedule = {0, 1};

int64_t monotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void sleepUntil(int64_t deadline) {
  timespec until{};
  until.tv_sec = static_cast<time_t>(deadline / 1'000'000'000);
  until.tv_nsec = static_cast<long>(deadline % 1'000'000'000);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

}  // namespace

int64_t deadlineOf(FrameSchedule schedule) {
  return schedule.start + schedule.frames * kNsPerSecond / kFramesPerSecond;
}

FrameSchedule nextSchedule(FrameSchedule schedule, int64_t now) {
  if (now - deadlineOf(schedule) >= kFramePeriodNs) return {now, 1};  // stalled: no bursts
  return {schedule.start, schedule.frames + 1};
}

void pacerStart() { pacerSchedule = {monotonicNow(), 1}; }

void pacerWait() {
  const int64_t deadline = deadlineOf(pacerSchedule);
  int64_t now = monotonicNow();
  if (now < deadline) {
    sleepUntil(deadline);
    now = deadline;
  }
  pacerSchedule = nextSchedule(pacerSchedule, now);
}
