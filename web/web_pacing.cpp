// web_pacing.cpp - the animation-frame pacing rule (see web_pacing.h).
#include "web/web_pacing.h"

namespace {

bool isDue(FrameSchedule schedule, int64_t now) {
  return now >= deadlineOf(schedule) - kEarlyFrameToleranceNs;
}

}  // namespace

int pacerFramesDue(AnimationPacer& pacer, int64_t now) {
  const FrameSchedule catchUpLimit{pacer.schedule.start, pacer.schedule.frames + kMaxCatchUpFrames};
  if (!pacer.started || isDue(catchUpLimit, now)) {
    pacer.schedule = {now, 1};  // this refresh is the first frame of a new schedule
    pacer.started = true;
    return 1;
  }
  int due = 0;
  while (isDue(pacer.schedule, now)) {
    ++pacer.schedule.frames;
    ++due;
  }
  return due;
}
