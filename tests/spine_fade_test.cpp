// fadeCanvas: the clamp at 0, the result describing the canvas on entry, and
// how many calls a fade to black takes.
#include <gtest/gtest.h>

#include <cstring>

#include "effects/canvas.h"
#include "effects/effects.h"

namespace {

class Fade : public ::testing::Test {
 protected:
  void SetUp() override { std::memset(canvas, 0, sizeof canvas); }
};

// Calls fadeCanvas(k) until it returns false; the number of calls that returned true.
int callsUntilBlack(int32_t k) {
  int lit = 0;
  while (fadeCanvas(k)) {
    if (++lit > 1000) break;
  }
  return lit;
}

TEST_F(Fade, EachByteDropsByStepAndStopsAtZero) {
  const uint8_t before[] = {0, 1, 2, 3, 4, 100, 255};
  std::memcpy(canvas + 500, before, sizeof before);
  EXPECT_TRUE(fadeCanvas(3));
  const uint8_t after[] = {0, 0, 0, 0, 1, 97, 252};
  EXPECT_EQ(0, std::memcmp(canvas + 500, after, sizeof after));
}

TEST_F(Fade, BlackCanvasReportsFalseAndStaysBlack) {
  EXPECT_FALSE(fadeCanvas(3));
  for (int i = 0; i < kCanvasBytes; ++i) ASSERT_EQ(canvas[i], 0);
}

TEST_F(Fade, LoneByteAtEitherEndIsFoundAndCleared) {
  for (const int at : {0, kCanvasBytes - 1}) {
    canvas[at] = 1;
    EXPECT_TRUE(fadeCanvas(3)) << at;
    EXPECT_EQ(canvas[at], 0);
    EXPECT_FALSE(fadeCanvas(3)) << at;
  }
}

TEST_F(Fade, CallCountFollowsTheLargestByte) {
  struct Case {
    uint8_t largest;
    int32_t k;
    int lit;
  };
  for (const Case c : {Case{255, 3, 85}, Case{3, 3, 1}, Case{4, 3, 2}, Case{255, 20, 13},
                       Case{255, 4, 64}, Case{255, 1, 255}}) {
    std::memset(canvas, 0, sizeof canvas);
    canvas[kCanvasBytes / 2] = c.largest;
    canvas[17] = c.largest / 2;
    EXPECT_EQ(callsUntilBlack(c.k), c.lit) << int(c.largest) << " by " << c.k;
  }
}

TEST_F(Fade, StepZeroOnlyReportsAndLargeStepsClearAtOnce) {
  canvas[9] = 200;
  EXPECT_TRUE(fadeCanvas(0));
  EXPECT_EQ(canvas[9], 200);
  EXPECT_TRUE(fadeCanvas(1000));
  EXPECT_EQ(canvas[9], 0);
  EXPECT_FALSE(fadeCanvas(255));
}

TEST_F(Fade, NegativeStepChangesNothing) {
  canvas[9] = 250;
  EXPECT_TRUE(fadeCanvas(-10));
  EXPECT_EQ(canvas[9], 250) << "must not brighten or wrap";
}

}  // namespace
