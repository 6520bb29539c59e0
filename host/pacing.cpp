// pacing.cpp - the frame pacer over CLOCK_MONOTONIC.
#include "host/pacing.h"

#include <cerrno>
#include <ctime>

namespace {

int64_t pacerDeadline = 0;  // when the frame in progress is due, in ns

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

int64_t nextDeadline(int64_t deadline, int64_t now) {
  if (now - deadline >= kFramePeriodNs) return now + kFramePeriodNs;  // stalled: no bursts
  return deadline + kFramePeriodNs;
}

void pacerStart() { pacerDeadline = monotonicNow() + kFramePeriodNs; }

void pacerWait() {
  int64_t now = monotonicNow();
  if (now < pacerDeadline) {
    sleepUntil(pacerDeadline);
    now = pacerDeadline;
  }
  pacerDeadline = nextDeadline(pacerDeadline, now);
}
