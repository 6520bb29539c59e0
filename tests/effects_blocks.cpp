// effects_blocks.cpp - the orbiting blocks: corner positions, both colour
// rules with their wrap, and the cut at the canvas edges.
#include <utility>

#include "effects_util.h"

namespace {

using Blocks = EffectTest;

// Every pixel after one call at tick 0, swing 1.0 on a canvas filled with
// `fill` must show exactly the ten blocks with these corners, each adding (or
// for red in the second rule, clearing) once per block that covers the pixel.
TEST_F(Blocks, CornersAndColourRules) {
  const std::pair<int, int> corners[] = {{462, 276}, {462, 278}, {462, 280}, {462, 282},
                                         {462, 284}, {461, 287}, {461, 289}, {461, 291},
                                         {461, 293}, {460, 295}};
  std::vector<int> cover(kCanvasPixels, 0);
  for (auto [cx, cy] : corners)
    for (int y = cy; y < cy + 8; ++y)
      for (int x = cx; x < cx + 8; ++x) ++cover[y * kCanvasWidth + x];

  const struct {
    int32_t sceneFrame;
    uint8_t fill[3];
    bool secondRule;
  } cases[] = {
      {0, {0, 0, 0}, false},
      {0, {250, 255, 250}, false},  // every channel wraps
      {500, {100, 100, 100}, false},
      {501, {250, 250, 250}, true},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < kCanvasPixels; ++i) std::memcpy(canvas + 3 * i, c.fill, 3);
    demoState.tick = 0;
    demoState.swing = 1.0;
    demoState.sceneFrame = c.sceneFrame;
    drawOrbitBlocks();
    EXPECT_EQ(demoState.tick, 10);
    int wrong = 0;
    for (int i = 0; i < kCanvasPixels; ++i) {
      const int n = cover[i];
      const uint8_t want[3] = {
          static_cast<uint8_t>(c.secondRule ? (n ? 0 : c.fill[0]) : c.fill[0] + 10 * n),
          static_cast<uint8_t>(c.fill[1] + (c.secondRule ? 20 : 1) * n),
          static_cast<uint8_t>(c.fill[2] + 10 * n)};
      wrong += std::memcmp(canvas + 3 * i, want, 3) != 0;
    }
    EXPECT_EQ(wrong, 0) << "frame " << c.sceneFrame << " fill " << int{c.fill[0]};
  }
}

// Over a full turn at the extremes of a run without skips every block fits:
// each call adds 640 block-pixels inside the orbit's box.
TEST_F(Blocks, ScriptRangeFitsWhole) {
  for (double swing : {-71.0, -5.6, 71.0}) {
    demoState.swing = swing;
    demoState.tick = 0;
    for (int call = 0; call < 30; ++call) {
      std::memset(canvas, 0, sizeof canvas);
      drawOrbitBlocks();
      Box blocks;  // green counts blocks
      for (int i = 0; i < kCanvasPixels; ++i)
        if (canvas[3 * i + 1]) blocks.add(i, canvas[3 * i + 1]);
      ASSERT_TRUE(blocks.count == 640 && blocks.inside(237, 486 + 7, 139, 394 + 7))
          << "swing " << swing << " call " << call << ": " << blocks;
    }
  }
}

// Corners that pass but whose blocks hang over the right or bottom edge are
// cut there: nothing wraps onto the next row or past the end of the canvas
// (the sanitizer build watches the end). Corners outside the window are dropped.
TEST_F(Blocks, BlocksAreCutAtTheRightAndBottomEdges) {
  // tick 75 puts the angle near a quarter turn: X = swing + 2.6 + 362.07.
  demoState.tick = 75;
  demoState.swing = 271.0;
  drawOrbitBlocks();
  int rightEdge = 0;
  for (int y = 0; y < kCanvasHeight; ++y) {
    rightEdge += pixel(639, y)[1] != 0;
    ASSERT_TRUE(pixel(0, y)[1] == 0 && pixel(1, y)[1] == 0) << "wrapped onto row " << y;
  }
  EXPECT_GT(rightEdge, 0);

  // tick 0: Y = swing + 8.6 + 267.02, so swing 197.5 puts three corners in the
  // window, (462, 473), (466, 475) and (470, 477), and drops the rest rather
  // than pulling them in; the three blocks keep 7, 5 and 3 of their rows.
  std::memset(canvas, 0, sizeof canvas);
  demoState.tick = 0;
  demoState.swing = 197.5;
  drawOrbitBlocks();
  int blockPixels = 0;
  for (int i = 0; i < kCanvasPixels; ++i) blockPixels += canvas[3 * i + 1];
  EXPECT_EQ(blockPixels, 8 * (7 + 5 + 3));
  EXPECT_TRUE(pixel(462, 473)[1] == 1 && pixel(462, 479)[1] == 1 && pixel(477, 479)[1] == 1);
}

}  // namespace
