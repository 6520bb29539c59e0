// The scene script's edge cases: transitions, skips and the swing. Whole
// runs are checked against reference traces elsewhere; these run single
// frames through renderFrame from states those runs may never reach.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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

class Sequencer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(canvas, 0, sizeof canvas);
    resetDemoState();
  }
};

TEST_F(Sequencer, TransitionOnBlackCanvasLastsOneFrameAndFromWhite86) {
  demoState.fading = true;
  EXPECT_EQ(finishTransition(), 1);
  std::memset(canvas, 255, sizeof canvas);
  demoState.fading = true;
  EXPECT_EQ(finishTransition(), 86);
  EXPECT_EQ(demoState.sceneFrame, 0) << "transition frames are not scene frames";
}

TEST_F(Sequencer, SkipKeepsFrameCountLengthAndSwing) {
  for (int i = 0; i < 300; ++i) frame();
  const double swingAtSkip = demoState.swing;
  demoState.fading = true;  // what Space does
  demoState.sceneIndex += 1;
  finishTransition();
  EXPECT_EQ(demoState.swing, swingAtSkip);
  EXPECT_EQ(demoState.sceneFrame, 300);
  int frames = 0;  // counts on from 300 against scene 0's length 1000
  while (demoState.sceneIndex == 1 && frames < 2000) frames += frame();
  EXPECT_EQ(frames, 702);
}

TEST_F(Sequencer, SkipsDuringTheLastTransitionStillEndTheScript) {
  demoState.sceneIndex = 4;
  std::memset(canvas, 200, sizeof canvas);
  for (int i = 0; !demoState.fading && i < 2000; ++i) frame();
  ASSERT_EQ(demoState.sceneIndex, 5) << "the timer has already moved on";
  EXPECT_EQ(demoState.sceneFrame, 0);
  demoState.sceneIndex += 2;  // two Space presses during the fade
  EXPECT_GT(finishTransition(), 1);
  EXPECT_FALSE(frame());
  EXPECT_EQ(demoState.sceneIndex, 7);
  EXPECT_FALSE(frame()) << "the script stays over";
}

TEST_F(Sequencer, SwingInSceneZeroTurnsAfterPassingEachBound) {
  double previous = demoState.swing, highest = previous, lowest = previous;
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(frame());
    EXPECT_EQ(std::abs(demoState.swing - previous), 1.0);
    previous = demoState.swing;
    highest = std::max(highest, previous);
    lowest = std::min(lowest, previous);
  }
  EXPECT_EQ(highest, 71.0);
  EXPECT_EQ(lowest, -71.0);
}

TEST_F(Sequencer, SpiralSceneTurnsAtItsLowerBoundAndCirclesTheCentre) {
  // Falling on entry (a skip from scene 0): the first step goes below the
  // lower bound and turns the swing; the centre follows the new swing.
  demoState.sceneIndex = 1;
  demoState.swing = 10.0;
  demoState.swingRising = false;
  frame();
  EXPECT_DOUBLE_EQ(demoState.swing, 9.85);
  EXPECT_TRUE(demoState.swingRising);
  EXPECT_EQ(demoState.spiralCentreX, 315);  // sin 9.85 = -0.4125...
  EXPECT_EQ(demoState.spiralCentreY, 230);  // cos 9.85 = -0.9109...
}

TEST_F(Sequencer, SpiralCentreRestsWhenSwingHasNoSine) {
  // Found by fuzzing: a NaN or infinite swing made the centre's conversion
  // to int undefined.
  for (const double swing : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    resetDemoState();
    demoState.sceneIndex = 1;
    demoState.swing = swing;
    frame();
    EXPECT_EQ(demoState.spiralCentreX, 320) << swing;
    EXPECT_EQ(demoState.spiralCentreY, 240) << swing;
  }
}

TEST_F(Sequencer, CorruptSceneIndexDrawsNothingAndNeverCrashes) {
  demoState.sceneIndex = -3;
  std::memset(canvas, 7, sizeof canvas);
  EXPECT_TRUE(frame());
  EXPECT_EQ(canvas[0], 7);
  demoState.sceneIndex = 1 << 30;
  EXPECT_FALSE(frame());
}

}  // namespace
