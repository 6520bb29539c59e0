// test_screen.h - for tests that run whole frames: the null platform's
// screen, and a fixture that starts each test with no inputs waiting, the
// reset DemoState and a black canvas.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "effects/canvas.h"
#include "host/input_queue.h"
#include "platform/null/null_screen.h"
#include "scenes/demo_state.h"

inline Screen* testScreen() {
  static Screen* screen = openScreen();
  return screen;
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testScreen();
    clearQueuedInputs();
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
  }
};
