// scene_script_test.cpp - renderFrame from states the whole runs (pinned
// against reference traces elsewhere) never reach: transitions over a given
// canvas, skips past the last scene during the last transition, corrupted
// states.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "effects/canvas.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"
#include "support/test_screen.h"

namespace {

bool frame() { return renderFrame(testScreen()); }

// Frames until the transition under way is over.
int finishTransition() {
  int frames = 0;
  while (demoState.fading && frames < 1000) frames += frame();
  return frames;
}

using SceneScript = FrameTest;

// The frame whose fade finds the canvas black is the last: at once on black,
// the second over bytes of 3, the 86th over white. None counts as a scene frame.
TEST_F(SceneScript, TransitionEndsOnTheFrameThatFindsTheCanvasBlack) {
  for (const auto& [fill, frames] : {std::pair{0, 1}, {3, 2}, {255, 86}}) {
    std::memset(canvas, fill, sizeof canvas);
    demoState.fading = true;
    EXPECT_EQ(finishTransition(), frames) << "canvas of " << fill;
    EXPECT_EQ(demoState.sceneFrame, 0);
  }
}

TEST_F(SceneScript, SkipsDuringTheLastTransitionStillEndTheScript) {
  demoState.sceneIndex = 4;
  demoState.sceneFrame = 1000;  // the last scene's last frame but one
  std::memset(canvas, 200, sizeof canvas);
  for (int i = 0; !demoState.fading && i < 10; ++i) frame();
  ASSERT_EQ(demoState.sceneIndex, 5) << "the timer has already moved on";
  demoState.sceneIndex += 2;  // two Space presses during the fade
  EXPECT_GT(finishTransition(), 1);
  EXPECT_FALSE(frame());
  EXPECT_EQ(demoState.sceneIndex, 7);
  EXPECT_FALSE(frame()) << "the script stays over";
}

TEST_F(SceneScript, CorruptStatesDrawNothingOrRest) {
  demoState.sceneIndex = -3;
  std::memset(canvas, 7, sizeof canvas);
  EXPECT_TRUE(frame());
  EXPECT_EQ(canvas[0], 7) << "no scene drawn";
  demoState.sceneIndex = 1 << 30;
  EXPECT_FALSE(frame());
  // Found by fuzzing: a swing without a sine made the spiral centre's
  // conversion to int undefined; the centre rests in the middle instead.
  for (const double swing : {double(NAN), HUGE_VAL, -HUGE_VAL}) {
    resetDemoState();
    demoState.sceneIndex = 1;
    demoState.swing = swing;
    frame();
    EXPECT_TRUE(demoState.spiralCentreX == 320 && demoState.spiralCentreY == 240) << swing;
  }
}

}  // namespace
