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

TEST_F(Fade, EachByteDropsByStepAndStopsAtZero) {
  const uint8_t before[] = {0, 1, 2, 3, 4, 100, 255};
  struct Case {
    int32_t k;
    uint8_t after[7];
  };
  for (const Case& c : {Case{3, {0, 0, 0, 0, 1, 97, 252}}, Case{0, {0, 1, 2, 3, 4, 100, 255}},
                        Case{-10, {0, 1, 2, 3, 4, 100, 255}},  // must not brighten or wrap
                        Case{1000, {0, 0, 0, 0, 0, 0, 0}}}) {
    std::memcpy(canvas + 500, before, sizeof before);
    EXPECT_TRUE(fadeCanvas(c.k)) << c.k;
    EXPECT_EQ(0, std::memcmp(canvas + 500, c.after, sizeof c.after)) << c.k;
  }
  EXPECT_FALSE(fadeCanvas(3)) << "a black canvas";
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
    int lit = 0;
    while (fadeCanvas(c.k) && lit < 1000) ++lit;
    EXPECT_EQ(lit, c.lit) << int(c.largest) << " by " << c.k;
  }
}

}  // namespace
