// effects_spiral.cpp - the spiral: where the first dot lands at and beyond
// every edge (in place, folded, reflected, skipped, and the linear-offset
// wrap at the right edge), and the colour steps.
#include <set>
#include <utility>

#include "effects_util.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;
using Spiral = EffectTest;

Pixels dotAt(int x, int y) { return {{x, y}, {x + 1, y}, {x, y + 1}, {x + 1, y + 1}}; }

// Draws a (255, 255, 255) spiral at tick 0 with swing 1900 (a radius step of
// 10, which keeps the later dots well away from the first) and returns the
// pixels of the first dot's colour, (254, 253, 253). That dot sits at
// (cx + 8.16, cy + 26.42): at tick 0 the row adds the column offset unscaled.
Pixels firstDot(int32_t cx, int32_t cy) {
  std::memset(canvas, 0, sizeof canvas);
  demoState.tick = 0;
  demoState.swing = 1900.0;
  demoState.spiralCentreX = cx;
  demoState.spiralCentreY = cy;
  drawSpiral(255, 255, 255);
  Pixels found;
  for (int y = 0; y < kCanvasHeight; ++y)
    for (int x = 0; x < kCanvasWidth; ++x)
      if (const uint8_t* p = pixel(x, y); p[0] == 254 && p[1] == 253 && p[2] == 253)
        found.insert({x, y});
  return found;
}

TEST_F(Spiral, FirstDotPlacement) {
  const struct {
    int32_t cx, cy;
    Pixels want;
  } cases[] = {
      {312, 210, dotAt(320, 236)},
      {629, 210, dotAt(637, 236)},  // column 637: the dot covers 637 and 638
      {-12, 210, dotAt(3, 236)},    // -3.84 folds to column 3
      {312, 451, dotAt(320, 477)},  // row 477: the dot covers 477 and 478
      {-14, 210, dotAt(5, 236)},    // -5.84 lands where 5.16 does
      {312, -30, dotAt(320, 3)},    // -3.58 folds to row 3
      {-6, 210, {}},
      {-11, 210, {}},
      {312, -24, {}},
      {312, -28, {}},  // 2.16, -2.84, 2.42, -1.58
      // Column 638 reflects to 640: linear offsets carry the dot to columns 0
      // and 1 of the next two rows; 639 wraps only its right half.
      {630, 210, {{0, 237}, {1, 237}, {0, 238}, {1, 238}}},
      {631, 210, {{639, 236}, {0, 237}, {639, 237}, {0, 238}}},
      {700, 210, dotAt(1278 - 708, 236)},
      {1270, 210, dotAt(0, 236)},   // 1278, the last column that reflects
      {1271, 210, {}},              // 1279 would go negative
      {312, 452, {}},               // row 478: neither drawn nor reflected
      {312, 453, dotAt(320, 477)},  // 479 lands on 477
      {312, 560, dotAt(320, 956 - 586)},
      {312, 930, dotAt(320, 0)},  // 956, the last row that reflects
      {312, 931, {}},             // 957 would go negative
      {700, 500, {}},
      {630, 452, {}},  // beyond the bottom-right corner; (638, 478)
  };
  for (const auto& c : cases) EXPECT_EQ(firstDot(c.cx, c.cy), c.want) << c.cx << "," << c.cy;
}

// Dot n of a call with start colour (r, g, b) is (r, g, b) - (n + 1) * (1, 2, 2)
// modulo 256, drawn or not; returns which dots' colours are on the canvas and
// fails on any other colour that is not black.
std::set<int> dotsSeen(int r, int g, int b) {
  std::set<int> dots;
  for (int i = 0; i < kCanvasPixels; ++i) {
    const uint8_t* p = canvas + 3 * i;
    if (!p[0] && !p[1] && !p[2]) continue;
    const int n = static_cast<uint8_t>(r - p[0] - 1);
    if (n < 90 && p[1] == static_cast<uint8_t>(g - 2 * (n + 1)) &&
        p[2] == static_cast<uint8_t>(b - 2 * (n + 1)))
      dots.insert(n);
    else
      ADD_FAILURE() << "stray colour " << int{p[0]} << "," << int{p[1]} << "," << int{p[2]};
  }
  return dots;
}

// Only the low 8 bits of the start colour count, each channel steps on its
// own and wraps below 0; with a radius step of 1 the dots barely overlap.
TEST_F(Spiral, ColoursStepFromJustBelowTheStartAndWrap) {
  demoState.spiralCentreX = 320;
  demoState.spiralCentreY = 240;
  demoState.swing = 190.0;
  demoState.tick = 37;
  drawSpiral(256 + 10, -256 + 100, 512 + 200);
  const auto dots = dotsSeen(10, 100, 200);
  EXPECT_GT(dots.size(), 80u);
  EXPECT_TRUE(dots.count(0) && dots.count(89));
}

// A skipped dot still takes its colour step: with the first dot skipped, its
// colour appears nowhere and the others keep their own.
TEST_F(Spiral, SkippedDotsStillStepTheColour) {
  EXPECT_TRUE(firstDot(-6, 210).empty());
  const auto dots = dotsSeen(255, 255, 255);
  EXPECT_FALSE(dots.empty());
  EXPECT_EQ(dots.count(0), 0u);
}

}  // namespace
