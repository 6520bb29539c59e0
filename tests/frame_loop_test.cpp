// frame_loop_test.cpp - inputs and the end of the loop: inputs are queued as
// the headless runs queue a key script's, and taken by the frame pass.
#include "host/frame_loop.h"

#include <gtest/gtest.h>

#include <climits>

#include "host/input_queue.h"
#include "scenes/demo_state.h"
#include "support/test_screen.h"

namespace {

using FrameLoop = FrameTest;

// Each Skip moves the scene on, two in one pass two scenes, and the index
// never overflows.
TEST_F(FrameLoop, EachSkipMovesOneScene) {
  EXPECT_FALSE(pollInputs());
  EXPECT_TRUE(demoState.sceneIndex == 0 && !demoState.fading) << "moved with no input";
  queueInput(DemoInput::Skip);
  queueInput(DemoInput::Skip);
  EXPECT_FALSE(pollInputs());
  EXPECT_TRUE(demoState.sceneIndex == 2 && demoState.fading) << "two skips in one pass";
  demoState.sceneIndex = INT32_MAX;
  queueInput(DemoInput::Skip);
  EXPECT_FALSE(pollInputs());
  EXPECT_EQ(demoState.sceneIndex, INT32_MAX);
}

TEST_F(FrameLoop, QuitEndsTheLoopAfterItsFrameIsDrawnAndSkipsBeforeItCount) {
  queueInput(DemoInput::Skip);
  queueInput(DemoInput::Quit);
  const FramePass pass = runFramePass(testScreen());
  EXPECT_TRUE(pass.rendered && pass.quit && !loopGoesOn(pass));
  EXPECT_EQ(demoState.sceneIndex, 1) << "the skip before the quit";
  EXPECT_FALSE(pollInputs()) << "the quit was taken once";
}

// A full queue keeps the oldest inputs rather than writing over them; once
// taken, the ring goes round and takes more.
TEST_F(FrameLoop, AFullQueueDropsTheNewestInputs) {
  for (int i = 0; i < kInputQueueSize; ++i) queueInput(DemoInput::Skip);
  queueInput(DemoInput::Quit);
  EXPECT_FALSE(pollInputs());
  EXPECT_EQ(demoState.sceneIndex, kInputQueueSize);
  queueInput(DemoInput::Quit);
  EXPECT_TRUE(pollInputs()) << "the input after a full ring was lost";
}

}  // namespace
