// effects_blocks.cpp - the orbiting blocks: corner positions, both colour
// rules with their wrap, the tick step and the cut at the canvas edges.
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using Corners = std::vector<std::pair<int, int>>;

// The ten corners of a call with tick 0 and swing 1.0.
const Corners kRestCorners = {{462, 276}, {462, 278}, {462, 280}, {462, 282}, {462, 284},
                              {461, 287}, {461, 289}, {461, 291}, {461, 293}, {460, 295}};

// How many of the given 8 x 8 blocks cover each pixel.
std::vector<int> coverage(const Corners& corners) {
  std::vector<int> c(kCanvasPixels, 0);
  for (auto [cx, cy] : corners)
    for (int y = cy; y < cy + 8; ++y)
      for (int x = cx; x < cx + 8; ++x) ++c[y * kCanvasWidth + x];
  return c;
}

class Blocks : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
    demoState.tick = 0;
    demoState.swing = 1.0;
    demoState.sceneFrame = 0;
  }

  // Runs one call on a canvas filled with (r, g, b) and counts the pixels
  // that differ from `expect(pixel, coverage)`.
  template <typename Expect>
  int mismatches(uint8_t r, uint8_t g, uint8_t b, Expect expect) {
    for (int i = 0; i < kCanvasPixels; ++i) {
      canvas[3 * i] = r;
      canvas[3 * i + 1] = g;
      canvas[3 * i + 2] = b;
    }
    drawOrbitBlocks();
    const auto cover = coverage(kRestCorners);
    int wrong = 0;
    for (int i = 0; i < kCanvasPixels; ++i) {
      uint8_t want[3];
      expect(cover[i], want);
      if (std::memcmp(canvas + 3 * i, want, 3) != 0) ++wrong;
    }
    return wrong;
  }
};

// The corners are checked through what the call paints: exactly the ten
// listed blocks, each pixel once per block that covers it.
TEST_F(Blocks, FirstRuleAddsPerCoveringBlock) {
  const int wrong = mismatches(0, 0, 0, [](int n, uint8_t* want) {
    want[0] = static_cast<uint8_t>(10 * n);
    want[1] = static_cast<uint8_t>(n);
    want[2] = static_cast<uint8_t>(10 * n);
  });
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(demoState.tick, 10);
  // One block alone makes (10, 1, 10); two overlapping make (20, 2, 20).
  const uint8_t* single = canvas + canvasOffset(462, 276);
  EXPECT_EQ(single[0], 10);
  EXPECT_EQ(single[1], 1);
  const uint8_t* twice = canvas + canvasOffset(462, 278);
  EXPECT_EQ(twice[0], 20);
  EXPECT_EQ(twice[1], 2);
}

TEST_F(Blocks, AdditionsWrap) {
  const int wrong = mismatches(250, 255, 250, [](int n, uint8_t* want) {
    want[0] = static_cast<uint8_t>(250 + 10 * n);
    want[1] = static_cast<uint8_t>(255 + n);
    want[2] = static_cast<uint8_t>(250 + 10 * n);
  });
  EXPECT_EQ(wrong, 0);
}

TEST_F(Blocks, TwentySixCoversWrapRedToFour) {
  // The same call repeated from the same tick piles up on the same pixels.
  for (int call = 0; call < 26; ++call) {
    demoState.tick = 0;
    drawOrbitBlocks();
  }
  // (462, 276) lies under the first block only.
  const uint8_t* p = canvas + canvasOffset(462, 276);
  EXPECT_EQ(p[0], 4);
  EXPECT_EQ(p[1], 26);
  EXPECT_EQ(p[2], 4);
}

TEST_F(Blocks, RuleChangesAfterFrame500) {
  demoState.sceneFrame = 500;
  int wrong = mismatches(100, 100, 100, [](int n, uint8_t* want) {
    want[0] = static_cast<uint8_t>(100 + 10 * n);
    want[1] = static_cast<uint8_t>(100 + n);
    want[2] = static_cast<uint8_t>(100 + 10 * n);
  });
  EXPECT_EQ(wrong, 0);

  demoState.tick = 0;
  demoState.sceneFrame = 501;
  wrong = mismatches(100, 100, 100, [](int n, uint8_t* want) {
    want[0] = n > 0 ? 0 : 100;
    want[1] = static_cast<uint8_t>(100 + 20 * n);
    want[2] = static_cast<uint8_t>(100 + 10 * n);
  });
  EXPECT_EQ(wrong, 0);
}

// Over a full turn at the extremes of a run without skips every block fits:
// each call paints 640 pixel-updates (10 blocks of 64).
TEST_F(Blocks, ScriptRangeFitsWhole) {
  for (double swing : {-71.0, -5.6, 71.0}) {
    demoState.swing = swing;
    demoState.tick = 0;
    for (int call = 0; call < 30; ++call) {
      std::memset(canvas, 0, sizeof canvas);
      drawOrbitBlocks();
      int updates = 0;
      for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
          const int n = canvas[canvasOffset(x, y) + 1];  // green counts blocks
          updates += n;
          if (n) {
            ASSERT_TRUE(x >= 237 && x <= 486 + 7 && y >= 139 && y <= 394 + 7) << x << "," << y;
          }
        }
      ASSERT_EQ(updates, 640) << "swing " << swing << " call " << call;
    }
  }
}

// Corners that pass the test but whose blocks hang over the right or bottom
// edge are cut at the edge: nothing wraps onto the next row or past the end.
TEST_F(Blocks, BlocksAreCutAtTheRightAndBottomEdges) {
  // tick 75 puts the angle near a quarter turn: X = swing + 2.6 + 362.07.
  demoState.tick = 75;
  demoState.swing = 271.0;
  drawOrbitBlocks();
  int rightEdge = 0;
  for (int y = 0; y < kCanvasHeight; ++y) {
    if (canvas[canvasOffset(639, y) + 1]) ++rightEdge;
    ASSERT_EQ(canvas[canvasOffset(0, y) + 1], 0) << "wrapped onto row " << y;
    ASSERT_EQ(canvas[canvasOffset(1, y) + 1], 0) << "wrapped onto row " << y;
  }
  EXPECT_GT(rightEdge, 0);

  // tick 0: Y = swing + 8.6 + 267.02, so swing 197.5 puts the first corner on row 473.
  std::memset(canvas, 0, sizeof canvas);
  demoState.tick = 0;
  demoState.swing = 197.5;
  drawOrbitBlocks();
  int bottomRow = 0;
  for (int x = 0; x < kCanvasWidth; ++x)
    if (canvas[canvasOffset(x, 479) + 1]) ++bottomRow;
  EXPECT_GT(bottomRow, 0);
  EXPECT_EQ(canvas[canvasOffset(462, 473) + 1], 1);
}

TEST_F(Blocks, TickAdvancesByTenEvenWhenNothingFits) {
  demoState.tick = 123;
  demoState.swing = 5.0e8;
  std::memset(canvas, 7, sizeof canvas);
  drawOrbitBlocks();
  EXPECT_EQ(demoState.tick, 133);
  for (int i = 0; i < kCanvasBytes; ++i) ASSERT_EQ(canvas[i], 7);
}

}  // namespace
