// demo_state.h - the sequencing and animation state shared by the scene
// script and the effects.
//
// One instance, `demoState`, with static storage, owned by demo_state.cpp.
// The scene sequencer (scenes/render_frame.h) times the scenes with it; the
// host's event handling writes `sceneIndex` and `fading` when Space skips; the
// effects read and advance the fields their headers name. All on one thread.
#pragma once

#include <cstdint>

struct DemoState {
  int32_t sceneIndex;     // current scene 0..4; 5 or more: the script is over
  int32_t sceneFrame;     // frames drawn in the scene; reset only when a scene ends by its timer
  int32_t sceneLength;    // the frame limit in force
  bool fading;            // a fade-to-black transition is running
  double swing;           // moves back and forth by a fixed step each scene frame
  bool swingRising;       // direction of `swing`
  int32_t tick;           // animation counter; effects use the angle tick * kTickAngle
  int32_t spiralCentreX;  // centre of the spiral, set every scene-1 frame
  int32_t spiralCentreY;
  int32_t ringPhase;  // phase of the ring background, advanced only by drawRings
};

extern DemoState demoState;

// Radians per `tick` step (a decimal constant, deliberately not pi / 150).
constexpr double kTickAngle = 0.020944;

// Adds with two's-complement wrap-around. A run never brings the counters
// near their limits, but a corrupted state must not make the arithmetic
// undefined.
constexpr int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Puts every field back to the values the program starts with: the static
// ones (scene 0, frame 0, length 1000, not fading, centre and phase 0) and the
// ones demoMain sets before the first frame (swing 1.0 rising, tick 0).
// Called by demoMain and the capture tool before the loop, and by tests.
void resetDemoState();
