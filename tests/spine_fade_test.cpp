// fadeCanvas: the clamp at 0 and the result describing the canvas on entry.
// (How many calls a fade from white takes is pinned by the transition test.)
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

}  // namespace
