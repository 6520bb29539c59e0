// scene_setup.h - puts demoState in the middle of a scene for the benchmarks.
//
// A frame benchmark calls renderFrame over and over; the scene must neither
// end (its length is set out of reach) nor start with a transition, and its
// swing must sit in the range the scene really runs with.
#pragma once

#include <cstdint>

#include "scenes/demo_state.h"

// Scene 0..4 in the state of its 100th frame, as if entered by its timer.
inline void enterSceneForBenchmark(int32_t scene) {
  resetDemoState();
  demoState.sceneIndex = scene;
  demoState.sceneFrame = 100;
  demoState.sceneLength = 1'000'000'000;
  demoState.fading = false;
  demoState.swing = scene == 1 ? 250.0 : 30.0;
  demoState.tick = 1000;
  demoState.spiralCentreX = 320;
  demoState.spiralCentreY = 240;
}
