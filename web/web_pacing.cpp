// web_pacing.cpp - the animation-frame pacing rule (see web_pacing.h).
#include "web/web_pacing.h"

bool pacerTakesFrame(AnimationPacer& pacer, int64_t now) {
  if (!pacer.started) {
    pacer.schedule = {now, 0};  // the first refresh is the first frame's deadline
    pacer.started = true;
  }
  if (now < deadlineOf(pacer.schedule) - kEarlyFrameToleranceNs) return false;
  pacer.schedule = nextSchedule(pacer.schedule, now);
  return true;
}
