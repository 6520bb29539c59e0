// test_screen.h - for tests that run whole frames: a screen surface from
// SDL's dummy video driver (ctest sets SDL_VIDEODRIVER=dummy), opened once
// per test executable exactly as the demo opens its own, and a fixture that
// starts each test with it open, no events queued, the reset DemoState and a
// black canvas.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "effects/canvas.h"
#include "host/video.h"
#include "scenes/demo_state.h"

inline SDL_Surface* testScreen() {
  static SDL_Surface* screen = openHeadlessScreen();
  if (screen == nullptr) std::abort();
  return screen;
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testScreen();
    for (SDL_Event drain; SDL_PollEvent(&drain);) {
    }
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
  }
};
