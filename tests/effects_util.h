// effects_util.h - what the effects test files share: a fixture that starts
// every test from the reset DemoState on a black canvas, and pixel access.
#pragma once
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

inline uint8_t* pixel(int x, int y) { return canvas + canvasOffset(x, y); }
inline std::vector<uint8_t> snapshot() { return {canvas, canvas + kCanvasBytes}; }

class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
  }
  void TearDown() override { resetDemoState(); }
};
