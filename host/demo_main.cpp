// demo_main.cpp - start-up, the paced frame loop, shutdown.
#include "host/demo_main.h"

#include "host/frame_loop.h"
#include "host/music.h"
#include "host/pacing.h"
#include "host/stop_signals.h"
#include "host/video.h"
#include "scenes/demo_state.h"

int demoMain() {
  SDL_Surface* screen = openDisplay();
  if (screen == nullptr) return 1;
  musicStart();
  resetDemoState();

  catchStopSignals(BlockedCalls::Restart);
  pacerStart();
  while (loopGoesOn(runFramePass(screen)) && !stopSignalled()) pacerWait();

  musicEnd();
  return 0;  // SDL_Quit runs at exit and gives the desktop its mode back
}
