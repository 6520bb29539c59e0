// demo_state.cpp - owns the shared animation state declared in demo_state.h.
#include "scenes/demo_state.h"

DemoState demoState = {0, 0, 1000, false, 0.0, false, 0, 0, 0, 0};

void resetDemoState() {
  demoState = DemoState{};
  demoState.sceneLength = 1000;
  demoState.swing = 1.0;
  demoState.swingRising = true;
}
