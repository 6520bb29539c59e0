// effects_halo.cpp - the additive halo: where its points land, how often each
// pixel is hit, wrapping additions, and the window.
#include <map>
#include <numeric>

#include "effects_util.h"

namespace {

using Halo = EffectTest;

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

// At tick 0 the first circle's centre row does not depend on swing (sin 0 is
// 0); a huge swing throws the other nine circles far below the canvas.
TEST_F(Halo, FirstCircleAloneAndWholeCallAtRest) {
  const auto hits = hitCounts(0, 1.0e6);
  for (auto [x, y] : {std::pair{420, 290}, {462, 267}, {465, 219}, {427, 190}})
    EXPECT_GT(hits[y * kCanvasWidth + x], 0) << x << "," << y;
  std::map<int, int> pixelsByHits;
  for (int n : hits)
    if (n) ++pixelsByHits[n];
  EXPECT_EQ(pixelsByHits, (std::map<int, int>{{1, 85}, {2, 177}, {3, 87}}));
  EXPECT_EQ(demoState.tick, 10);

  const auto rest = hitCounts(0, 0.0);
  EXPECT_EQ(std::count_if(rest.begin(), rest.end(), [](int n) { return n > 0; }), 877);
  EXPECT_EQ(std::accumulate(rest.begin(), rest.end(), 0), 7000);  // the window cuts nothing here
  EXPECT_EQ(*std::max_element(rest.begin(), rest.end()), 28);
  EXPECT_EQ(std::count(rest.begin(), rest.end(), 28), 3);
}

// Every hit adds the low 8 bits again, wrapping rather than saturating; green
// and blue take their own amounts.
TEST_F(Halo, AdditionsWrapPerChannel) {
  const auto hits = hitCounts(40, 12.0);
  std::memset(canvas, 254, sizeof canvas);
  demoState.tick = 40;
  drawHalo(259, 0, 5 + 512);
  int wrong = 0;
  for (int i = 0; i < kCanvasPixels; ++i) {
    const uint8_t* p = canvas + 3 * i;
    wrong += p[0] != static_cast<uint8_t>(254 + 3 * hits[i]) || p[1] != 254 ||
             p[2] != static_cast<uint8_t>(254 + 5 * hits[i]);
  }
  EXPECT_EQ(wrong, 0);
}

// Over the swing range of a run without skips and a full turn of the ellipse
// nothing is cut and every point stays in the expected box. Beyond it, circles
// that cross the top or bottom are cut exactly at rows 3 and 477 (columns
// cannot get near the edges: their reach is fixed at 320 +- 150), and circles
// wholly off the canvas draw nothing.
TEST_F(Halo, Window) {
  auto box = [](int32_t tick, double swing) {
    const auto hits = hitCounts(tick, swing);
    Box b;
    for (int i = 0; i < kCanvasPixels; ++i)
      if (hits[i]) b.add(i, hits[i]);
    return b;
  };
  for (double swing : {-71.0, -20.0, 0.0, 35.0, 71.0})
    for (int32_t tick = 0; tick < 300; tick += 10) {
      const Box b = box(tick, swing);
      ASSERT_TRUE(b.count == 7000 && b.inside(170, 469, 109, 370))
          << "swing " << swing << " tick " << tick << ": " << b;
    }
  for (int32_t tick : {75, 225})  // the centre at its lowest, then highest
    for (double swing : {200.0, 215.0, 230.0}) {
      const Box b = box(tick, swing);
      EXPECT_TRUE(b.count > 0 && b.count < 7000 && b.inside(0, 639, 3, 477) &&
                  (b.minY == 3 || b.maxY == 477))
          << "tick " << tick << " swing " << swing << ": " << b;
    }
  EXPECT_EQ(box(75, 300.0).count, 0);
}

}  // namespace
