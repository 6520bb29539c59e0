// pacing.cpp - the frame pacer over the platform's monotonic clock.
#include "host/pacing.h"

#include "platform/platform.h"

namespace {

FrameSchedule pacerSchedule = {0, 1};

}  // namespace

int64_t deadlineOf(FrameSchedule schedule) {
  return schedule.start + schedule.frames * kNsPerSecond / kFramesPerSecond;
}

FrameSchedule nextSchedule(FrameSchedule schedule, int64_t now) {
  if (now - deadlineOf(schedule) >= kFramePeriodNs) return {now, 1};  // stalled: no bursts
  return {schedule.start, schedule.frames + 1};
}

void pacerStart() { pacerSchedule = {monotonicNs(), 1}; }

void pacerWait() {
  const int64_t deadline = deadlineOf(pacerSchedule);
  int64_t now = monotonicNs();
  if (now < deadline) {
    sleepUntilNs(deadline);
    now = deadline;
  }
  pacerSchedule = nextSchedule(pacerSchedule, now);
}
