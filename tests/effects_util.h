// effects_util.h - what the tests of the effects and the text share: a fixture
// that starts every test from the reset DemoState on a black canvas, and
// canvas access.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

inline uint8_t* pixel(int x, int y) { return canvas + canvasOffset(x, y); }

// One channel summed over the canvas: after an effect that adds 1 per hit to
// a black canvas, the number of pixel updates it made.
inline int channelSum(int channel) {
  int sum = 0;
  for (int i = channel; i < kCanvasBytes; i += kCanvasBytesPerPixel) sum += canvas[i];
  return sum;
}

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
  }
};
