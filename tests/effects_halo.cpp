// effects_halo.cpp - the additive halo: where its points land, how often each
// pixel is hit, wrapping additions, the window and the tick step.
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace {

class Halo : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0, sizeof canvas);
  }
};

// Byte 0 of every pixel after one call with red 1 on a black canvas: the
// number of hits per pixel (never near 256 in one call).
std::vector<int> hitCounts(int32_t tick, double swing) {
  std::memset(canvas, 0, sizeof canvas);
  demoState.tick = tick;
  demoState.swing = swing;
  drawHalo(1, 0, 0);
  std::vector<int> hits(kCanvasPixels);
  for (int i = 0; i < kCanvasPixels; ++i) hits[i] = canvas[3 * i];
  return hits;
}

// How many pixels were hit once, twice, ... (key: hits, value: pixels).
std::map<int, int> histogram(const std::vector<int>& hits) {
  std::map<int, int> h;
  for (int n : hits)
    if (n > 0) ++h[n];
  return h;
}

int hitAt(const std::vector<int>& hits, int x, int y) { return hits[y * kCanvasWidth + x]; }

// At tick 0 the first circle's centre row does not depend on swing (sin 0 is
// 0); a huge swing throws the other nine circles far below the canvas, which
// leaves the first circle alone.
TEST_F(Halo, FirstCircleAlone) {
  const auto hits = hitCounts(0, 1.0e6);
  EXPECT_GT(hitAt(hits, 420, 290), 0);
  EXPECT_GT(hitAt(hits, 462, 267), 0);
  EXPECT_GT(hitAt(hits, 465, 219), 0);
  EXPECT_GT(hitAt(hits, 427, 190), 0);
  const std::map<int, int> expected = {{1, 85}, {2, 177}, {3, 87}};
  EXPECT_EQ(histogram(hits), expected);
  EXPECT_EQ(demoState.tick, 10);
}

TEST_F(Halo, WholeCallAtRest) {
  const auto hits = hitCounts(0, 0.0);
  const auto h = histogram(hits);
  int distinct = 0;
  int total = 0;
  for (auto [n, pixels] : h) {
    distinct += pixels;
    total += n * pixels;
  }
  EXPECT_EQ(distinct, 877);
  EXPECT_EQ(total, 7000);  // the window cuts nothing here
  EXPECT_EQ(h.rbegin()->first, 28);
  EXPECT_EQ(h.rbegin()->second, 3);
  EXPECT_EQ(demoState.tick, 10);
}

// Every hit adds the low 8 bits again, wrapping; green and blue take their
// own amounts; the arguments' high bits do not count.
TEST_F(Halo, AdditionsWrapPerChannel) {
  const auto hits = hitCounts(40, 12.0);
  std::memset(canvas, 254, sizeof canvas);
  demoState.tick = 40;
  demoState.swing = 12.0;
  drawHalo(259, 0, 5 + 512);
  int wrong = 0;
  for (int i = 0; i < kCanvasPixels; ++i) {
    const uint8_t* p = canvas + 3 * i;
    if (p[0] != static_cast<uint8_t>(254 + 3 * hits[i])) ++wrong;
    if (p[1] != 254) ++wrong;
    if (p[2] != static_cast<uint8_t>(254 + 5 * hits[i])) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  // A pixel hit once went from 254 to 1: no saturation.
  for (int i = 0; i < kCanvasPixels; ++i)
    if (hits[i] == 1) {
      EXPECT_EQ(canvas[3 * i], 1);
      break;
    }
}

// Over the swing range of a run without skips and a full turn of the ellipse,
// nothing is cut and every point stays in the expected box.
TEST_F(Halo, ScriptRangeIsNeverCut) {
  for (double swing : {-71.0, -20.0, 0.0, 35.0, 71.0}) {
    for (int32_t tick = 0; tick < 300; tick += 10) {
      const auto hits = hitCounts(tick, swing);
      int total = 0;
      for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
          const int n = hitAt(hits, x, y);
          total += n;
          if (n > 0) {
            ASSERT_TRUE(x >= 170 && x <= 469 && y >= 109 && y <= 370) << x << "," << y;
          }
        }
      ASSERT_EQ(total, 7000) << "swing " << swing << " tick " << tick;
    }
  }
}

TEST_F(Halo, OffscreenCallStillAdvancesTick) {
  const auto hits = hitCounts(75, 300.0);
  for (int y = 0; y < 494 && y < kCanvasHeight; ++y)
    for (int x = 0; x < kCanvasWidth; ++x) ASSERT_EQ(hitAt(hits, x, y), 0);
  EXPECT_EQ(demoState.tick, 85);
}

// Circles that cross the top or bottom of the window are cut there: rows 0
// to 2, 478 and 479 stay untouched. (Columns cannot get near the edges: the
// horizontal reach is fixed at 320 +- 150.)
TEST_F(Halo, WindowCutsAtTopAndBottom) {
  for (int32_t tick : {75, 225}) {  // the centre at its lowest, then highest
    for (double swing : {200.0, 215.0, 230.0}) {
      const auto hits = hitCounts(tick, swing);
      int drawn = 0;
      int nearEdge = 0;
      for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
          const int n = hitAt(hits, x, y);
          drawn += n;
          if (n > 0 && (y < 3 || y > 477)) ADD_FAILURE() << "hit at " << x << "," << y;
          if (n > 0 && (y == 3 || y == 477)) ++nearEdge;
        }
      EXPECT_GT(drawn, 0) << "tick " << tick << " swing " << swing;
      EXPECT_LT(drawn, 7000) << "the window cut nothing: tick " << tick << " swing " << swing;
      EXPECT_GT(nearEdge, 0) << "tick " << tick << " swing " << swing;
    }
  }
}

}  // namespace
