// demo_main.cpp - start-up, the paced frame loop, shutdown, on any platform.
#include "host/demo_main.h"

#include "host/frame_loop.h"
#include "host/music.h"
#include "host/music_pacing.h"
#include "host/pacing.h"
#include "platform/platform.h"
#include "scenes/demo_state.h"

int demoMain() {
  Screen* screen = openScreen();
  if (screen == nullptr) return 1;
  musicStart();
  resetDemoState();

  // Where the music can say what is heard, it leads; otherwise the
  // monotonic clock does.
  if (musicHeardSeconds() >= 0.0) {
    runMusicLedLoop(screen);
  } else {
    pacerStart();
    while (loopGoesOn(runFramePass(screen))) pacerWait();
  }

  musicEnd();
  return 0;  // the platform gives the desktop its display back at exit
}
