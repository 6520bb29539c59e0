// effects_spiral.cpp - the spiral: its colour steps, and where the first dot
// lands at and beyond every edge (in place, folded, reflected, skipped, and
// the linear-offset wrap at the right edge).
//
// The placement cases use tick 0 and swing 1900 (a radius step of 10, which
// keeps the later dots well away from the first), where the first dot sits at
// (centreX + 8.16, centreY + 26.42): radius 20 at angle 20 rad, and at tick 0
// the row adds the column offset unscaled. With a start colour of
// (255, 255, 255) the first dot alone has the colour (254, 253, 253).
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int, int>>;
using Colour = std::tuple<int, int, int>;

class Spiral : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
    demoState.tick = 0;
    demoState.swing = 1900.0;
  }

  // Pixels holding the first dot's colour after a call centred on (cx, cy).
  Pixels firstDot(int32_t cx, int32_t cy) {
    std::memset(canvas, 0, sizeof canvas);
    demoState.spiralCentreX = cx;
    demoState.spiralCentreY = cy;
    drawSpiral(255, 255, 255);
    Pixels found;
    for (int y = 0; y < kCanvasHeight; ++y)
      for (int x = 0; x < kCanvasWidth; ++x) {
        const uint8_t* p = canvas + canvasOffset(x, y);
        if (p[0] == 254 && p[1] == 253 && p[2] == 253) found.insert({x, y});
      }
    return found;
  }
};

Pixels dotAt(int x, int y) { return {{x, y}, {x + 1, y}, {x, y + 1}, {x + 1, y + 1}}; }

std::set<Colour> coloursOnCanvas() {
  std::set<Colour> seen;
  for (int i = 0; i < kCanvasPixels; ++i) {
    const uint8_t* p = canvas + 3 * i;
    if (p[0] || p[1] || p[2]) seen.insert({p[0], p[1], p[2]});
  }
  return seen;
}

TEST_F(Spiral, FirstDotPositionIsWhatTheTestsAssume) {
  const double radius = 10.0 + 1900.0 * (1.0 / 190.0);
  const double x0 = radius * std::cos(radius);
  const double y0 = radius * std::sin(radius);
  EXPECT_EQ(static_cast<int>(x0 + 312), 320);
  EXPECT_EQ(static_cast<int>(210 + x0 + y0), 236);
  EXPECT_EQ(firstDot(312, 210), dotAt(320, 236));
}

TEST_F(Spiral, InsideTheWindowNearTheEdges) {
  EXPECT_EQ(firstDot(629, 210), dotAt(637, 236));  // column 637: the dot covers 637 and 638
  EXPECT_EQ(firstDot(-12, 210), dotAt(3, 236));    // -3.84 folds to column 3
  EXPECT_EQ(firstDot(312, 451), dotAt(320, 477));  // row 477: the dot covers 477 and 478
}

TEST_F(Spiral, NegativeValuesFoldAcrossTheEdge) {
  EXPECT_EQ(firstDot(-14, 210), dotAt(5, 236));  // -5.84 lands where 5.16 does
  EXPECT_EQ(firstDot(-3, 210), dotAt(5, 236));
  EXPECT_EQ(firstDot(312, -30), dotAt(320, 3));  // -3.58 folds to row 3
}

TEST_F(Spiral, ValuesNearZeroAreSkipped) {
  EXPECT_TRUE(firstDot(-6, 210).empty());   // 2.16
  EXPECT_TRUE(firstDot(-11, 210).empty());  // -2.84
  EXPECT_TRUE(firstDot(312, -24).empty());  // 2.42
  EXPECT_TRUE(firstDot(312, -28).empty());  // -1.58
}

TEST_F(Spiral, ColumnsPastTheRightReflect) {
  // 638 reflects to column 640: linear offsets carry the dot to columns 0
  // and 1 of the next two rows.
  EXPECT_EQ(firstDot(630, 210), (Pixels{{0, 237}, {1, 237}, {0, 238}, {1, 238}}));
  // 639 stays on column 639 and wraps its right half to column 0.
  EXPECT_EQ(firstDot(631, 210), (Pixels{{639, 236}, {0, 237}, {639, 237}, {0, 238}}));
  EXPECT_EQ(firstDot(700, 210), dotAt(1278 - 708, 236));
  EXPECT_EQ(firstDot(1270, 210), dotAt(0, 236));  // 1278, the last that reflects
  EXPECT_TRUE(firstDot(1271, 210).empty());       // 1279 would go negative
}

TEST_F(Spiral, RowsPastTheBottomReflect) {
  EXPECT_TRUE(firstDot(312, 452).empty());          // 478: neither drawn nor reflected
  EXPECT_EQ(firstDot(312, 453), dotAt(320, 477));   // 479 lands on 477
  EXPECT_EQ(firstDot(312, 560), dotAt(320, 956 - 586));
  EXPECT_EQ(firstDot(312, 930), dotAt(320, 0));     // 956, the last that reflects
  EXPECT_TRUE(firstDot(312, 931).empty());          // 957 would go negative
}

TEST_F(Spiral, BeyondTheBottomRightCornerIsSkipped) {
  EXPECT_TRUE(firstDot(700, 500).empty());
  EXPECT_TRUE(firstDot(630, 452).empty());  // (638, 478)
}

// Colours step before every dot: dot n of a (255, 255, 255) call is
// (254 - n, 253 - 2n, 253 - 2n), never 255, and nothing else is drawn.
TEST_F(Spiral, ColoursStepFromJustBelowTheStart) {
  std::set<Colour> allowed;
  for (int n = 0; n < 90; ++n) allowed.insert({254 - n, 253 - 2 * n, 253 - 2 * n});
  demoState.spiralCentreX = 320;
  demoState.spiralCentreY = 240;
  demoState.swing = 190.0;  // radius step 1: the dots spread out and barely overlap
  demoState.tick = 37;
  drawSpiral(255, 255, 255);
  const auto seen = coloursOnCanvas();
  for (const Colour& c : seen) EXPECT_TRUE(allowed.count(c)) << std::get<0>(c) << "," << std::get<1>(c);
  EXPECT_GT(seen.size(), 80u);
  EXPECT_TRUE(seen.count({254, 253, 253}));
  EXPECT_TRUE(seen.count({165, 75, 75}));
  for (int i = 0; i < kCanvasBytes; ++i) ASSERT_NE(canvas[i], 255);
}

TEST_F(Spiral, StartColourWrapsAndOnlyLowBitsCount) {
  demoState.spiralCentreX = 320;
  demoState.spiralCentreY = 240;
  demoState.swing = 190.0;
  drawSpiral(256, -256, 512);  // the same as (0, 0, 0)
  const auto seen = coloursOnCanvas();
  EXPECT_TRUE(seen.count({255, 254, 254}));
  for (const Colour& c : seen) {
    const int n = 255 - std::get<0>(c);
    EXPECT_EQ(std::get<1>(c), static_cast<uint8_t>(-2 * (n + 1)));
    EXPECT_EQ(std::get<2>(c), static_cast<uint8_t>(-2 * (n + 1)));
  }
}

// A skipped dot still takes its colour step: with the first dot skipped, its
// colour appears nowhere and the others keep their own.
TEST_F(Spiral, SkippedDotsStillStepTheColour) {
  EXPECT_TRUE(firstDot(-6, 210).empty());
  const auto seen = coloursOnCanvas();
  EXPECT_FALSE(seen.empty());
  for (const Colour& c : seen) {
    const int n = 254 - std::get<0>(c);
    EXPECT_GE(n, 1);
    EXPECT_EQ(std::get<1>(c), 253 - 2 * n);
  }
}

}  // namespace
