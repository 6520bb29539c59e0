// demo_state.cpp - owns the shared animation state declared in demo_state.h.
#include "scenes/demo_state.h"

#include "scenes/render_frame.h"

// Zero until a run starts: every run begins with resetDemoState().
DemoState demoState;

void resetDemoState() {
  demoState = DemoState{};
  demoState.sceneLength = sceneLengthOf(0);
  demoState.swing = 1.0;
  demoState.swingRising = true;
}
