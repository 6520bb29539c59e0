// music_pacing.cpp - the music-led frame loop (see music_pacing.h).
#include "host/music_pacing.h"

#include <algorithm>

#include "host/frame_loop.h"
#include "host/music.h"
#include "host/music_sync.h"
#include "host/pacing.h"

namespace {

// The loop looks at the music at least this often while it waits.
constexpr int64_t kLookEveryNs = 2'000'000;

double secondsOf(int64_t ns) { return static_cast<double>(ns) / kNsPerSecond; }

int64_t nsOf(double seconds) { return static_cast<int64_t>(seconds * kNsPerSecond); }

}  // namespace

MusicClock startMusicClock(double heard, int64_t now) { return {heard, now, now}; }

double readMusicClock(MusicClock& clock, double heard, int64_t now, bool& moveMusic) {
  moveMusic = false;
  const int64_t gap = now - clock.lastLook;
  clock.lastLook = now;
  if (gap > kMusicLookGapNs) clock.heardAt += gap;  // the loop was not running
  const double ranOn = clock.heard + secondsOf(now - clock.heardAt);
  if (heard < 0.0 || heard == clock.heard) return ranOn;
  moveMusic = now - clock.heardAt >= kMusicStallNs;
  clock.heard = moveMusic ? ranOn : heard;
  clock.heardAt = now;
  return clock.heard;
}

void holdMusicClock(MusicClock& clock, int64_t now) {
  clock.heardAt += now - clock.lastLook;
  clock.lastLook = now;
}

void moveMusicClock(MusicClock& clock, double seconds, int64_t now) {
  clock.heard += seconds + secondsOf(now - clock.heardAt);
  clock.heardAt = now;
}

long runMusicLedLoop(Screen* screen, const KeyScript* keys) {
  MusicSync sync = kMusicSyncAtStart;
  MusicClock clock = startMusicClock(musicHeardSeconds(), monotonicNs());
  // Presents keep the monotonic pacer's schedule: at most 60 a second.
  FrameSchedule presents = {monotonicNs() - kFramePeriodNs, 0};
  long pass = 0;
  for (;;) {
    double at = 0.0;
    for (;;) {  // wait for the next pass and the display
      const int64_t now = monotonicNs();
      bool moveMusic = false;
      at = readMusicClock(clock, musicHeardSeconds(), now, moveMusic);
      if (moveMusic) musicMoveTo(at);
      const int64_t wait =
          std::max(nsOf(musicSecondsOfPass(sync, pass + 1) - at), deadlineOf(presents) - now);
      if (wait <= 0) break;
      sleepUntilNs(now + std::min(wait, kLookEveryNs));
    }
    // Every pass due is computed in order; only the latest is presented.
    for (;;) {
      ++pass;
      if (keys != nullptr) queueKeysOfPass(*keys, pass);
      const bool latest = musicSecondsOfPass(sync, pass + 1) > at;
      const FramePass result = runFramePass(latest ? screen : nullptr);
      const long move = musicMoveAfterPass(sync, pass);
      if (move != 0) {
        const int64_t now = monotonicNs();
        moveMusicClock(clock, static_cast<double>(move) / kFramesPerSecond, now);
        at += static_cast<double>(move) / kFramesPerSecond;
        musicMoveTo(clock.heard);
      }
      if (!loopGoesOn(result)) {
        if (!latest && result.rendered) presentCanvas(screen);
        return pass;
      }
      if (latest) break;
    }
    presents = nextSchedule(presents, monotonicNs());
  }
}
