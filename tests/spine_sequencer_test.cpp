// The scene script's timing: frame counts, transitions, skips and the swing.
// These tests run whole frames through renderFrame and count what the state
// says before each one, so they hold whatever the effects draw.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "effects/canvas.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"
#include "support/test_screen.h"

namespace {

struct Tally {
  std::array<int, 5> sceneFrames{};  // frames drawn in each scene
  int transitions = 0;               // transitions begun (fading false -> true)
  int transitionFrames = 0;
  int passes = 0;  // renderFrame calls, the last returning false
};

// One frame, recording what kind it was; returns renderFrame's result.
bool step(Tally& tally) {
  const bool wasFading = demoState.fading;
  const int scene = demoState.sceneIndex;
  const bool result = renderFrame(testScreen());
  ++tally.passes;
  if (wasFading)
    ++tally.transitionFrames;
  else if (result)
    ++tally.sceneFrames.at(scene);
  if (!wasFading && demoState.fading) ++tally.transitions;
  return result;
}

Tally runToEnd(Tally tally = {}) {
  while (step(tally)) {
    if (tally.passes > 20000) ADD_FAILURE() << "the script never ends";
  }
  return tally;
}

class Sequencer : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(canvas, 0, sizeof canvas);
    resetDemoState();
  }
};

TEST_F(Sequencer, WithoutKeysEveryScenePlaysItsLengthPlusTwoFrames) {
  const Tally tally = runToEnd();
  EXPECT_EQ(tally.sceneFrames, (std::array<int, 5>{1002, 2002, 1002, 1002, 1002}));
  EXPECT_EQ(tally.transitions, 5);
  EXPECT_GE(tally.transitionFrames, 5);
  EXPECT_EQ(demoState.sceneIndex, 5);
  EXPECT_FALSE(demoState.fading);
  EXPECT_FALSE(renderFrame(testScreen())) << "the script stays over";
}

TEST_F(Sequencer, TimerEndsSceneWithTransitionAndFreshCounters) {
  Tally tally;
  for (int i = 0; i < 1002; ++i) ASSERT_TRUE(step(tally));
  EXPECT_EQ(demoState.sceneIndex, 1);
  EXPECT_EQ(demoState.sceneFrame, 0);
  EXPECT_EQ(demoState.sceneLength, 2000);
  EXPECT_EQ(demoState.swing, 10.0);
  EXPECT_TRUE(demoState.fading);
}

TEST_F(Sequencer, TransitionOnBlackCanvasLastsOneFrameAndFromWhite86) {
  demoState.fading = true;
  Tally tally;
  ASSERT_TRUE(step(tally));
  EXPECT_FALSE(demoState.fading);

  std::memset(canvas, 255, sizeof canvas);
  demoState.fading = true;
  int frames = 0;
  while (demoState.fading) {
    ASSERT_TRUE(renderFrame(testScreen()));
    ++frames;
  }
  EXPECT_EQ(frames, 86);
  EXPECT_EQ(demoState.sceneFrame, 0) << "transition frames are not scene frames";
}

TEST_F(Sequencer, SkipKeepsFrameCountLengthAndSwing) {
  Tally tally;
  for (int i = 0; i < 300; ++i) step(tally);
  const double swingAtSkip = demoState.swing;
  demoState.fading = true;  // what Space does
  demoState.sceneIndex += 1;
  while (demoState.fading) step(tally);
  EXPECT_EQ(demoState.swing, swingAtSkip);
  EXPECT_EQ(demoState.sceneFrame, 300);

  Tally scene1;
  while (demoState.sceneIndex == 1) {
    if (demoState.fading) break;
    step(scene1);
  }
  EXPECT_EQ(scene1.sceneFrames[1], 702) << "counts on from 300 against the length 1000";
}

TEST_F(Sequencer, TwoSkipsInOneFrameStartOneTransitionAndSkipAScene) {
  Tally tally;
  step(tally);
  demoState.fading = true;
  demoState.sceneIndex += 2;
  while (demoState.fading) step(tally);
  EXPECT_EQ(demoState.sceneIndex, 2);
  step(tally);
  EXPECT_EQ(tally.sceneFrames[2], 1);
  EXPECT_EQ(tally.sceneFrames[1], 0);
}

TEST_F(Sequencer, SkipsDuringTheLastTransitionStillEndTheScript) {
  demoState.sceneIndex = 4;
  Tally tally;
  std::memset(canvas, 200, sizeof canvas);
  while (!demoState.fading) step(tally);
  ASSERT_EQ(demoState.sceneIndex, 5) << "the timer has already moved on";
  demoState.sceneIndex += 2;  // two Space presses during the fade
  const Tally end = runToEnd(tally);
  EXPECT_EQ(demoState.sceneIndex, 7);
  EXPECT_EQ(end.transitions, 1);
}

TEST_F(Sequencer, SwingInSceneZeroTurnsAfterPassingEachBound) {
  double previous = demoState.swing;
  double highest = previous;
  double lowest = previous;
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(renderFrame(testScreen()));
    EXPECT_EQ(std::abs(demoState.swing - previous), 1.0);
    previous = demoState.swing;
    highest = std::max(highest, previous);
    lowest = std::min(lowest, previous);
  }
  EXPECT_EQ(highest, 71.0);
  EXPECT_EQ(lowest, -71.0);
}

TEST_F(Sequencer, SpiralSceneEnteredByTimerClimbsFromTen) {
  demoState.sceneFrame = 1001;  // the last frame of scene 0
  renderFrame(testScreen());
  while (demoState.fading) renderFrame(testScreen());
  ASSERT_EQ(demoState.sceneIndex, 1);
  ASSERT_TRUE(demoState.swingRising);
  renderFrame(testScreen());
  EXPECT_DOUBLE_EQ(demoState.swing, 10.15);

  // Falling on entry: the first step goes below the lower bound and turns it.
  resetDemoState();
  demoState.sceneIndex = 1;
  demoState.swing = 10.0;
  demoState.swingRising = false;
  renderFrame(testScreen());
  EXPECT_DOUBLE_EQ(demoState.swing, 9.85);
  EXPECT_TRUE(demoState.swingRising);
}

TEST_F(Sequencer, SpiralCentreCirclesWithSwingAndAdvancesTick) {
  demoState.sceneIndex = 1;
  demoState.swing = 10.0;
  const int32_t tick = demoState.tick;
  renderFrame(testScreen());
  // swing 10.15 rad: sin -0.6420..., cos -0.7666...
  EXPECT_EQ(demoState.spiralCentreX, 313);
  EXPECT_EQ(demoState.spiralCentreY, 232);
  EXPECT_GE(demoState.tick, tick + 1);
}

TEST_F(Sequencer, CorruptSceneIndexDrawsNothingAndNeverCrashes) {
  demoState.sceneIndex = -3;
  std::memset(canvas, 7, sizeof canvas);
  EXPECT_TRUE(renderFrame(testScreen()));
  EXPECT_EQ(canvas[0], 7);
  demoState.sceneIndex = 1 << 30;
  EXPECT_FALSE(renderFrame(testScreen()));
}

}  // namespace
