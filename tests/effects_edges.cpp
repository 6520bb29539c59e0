// effects_edges.cpp - the effects where the script's whole runs never take
// them (those runs are pinned pixel for pixel elsewhere): positions at and
// past the window 3..637 x 3..477 and the canvas edges, extreme phases and
// steps, colour arguments beyond 8 bits. The expected counts were worked out
// from the formulas apart from this code.
#include <climits>
#include <set>
#include <utility>

#include "effects_util.h"

namespace {

using Effects = EffectTest;

// Each case puts a shape on a window edge and a neighbour just past it. A
// block (green counts block pixels) whose corner is inside is cut at the
// canvas edge, 3 of its 8 columns or rows left; one whose corner is outside
// is dropped. Halo points (red counts them) on rows 3 and 477 are drawn,
// those on 2 and 478 left out; its columns never come near the edges.
void halo() { drawHalo(1 + 256, 0, 0); }  // only the low 8 bits count

TEST_F(Effects, ShapesAtTheWindowEdges) {
  const struct {
    const char* what;
    void (*draw)();
    int32_t tick;
    double swing;
    int channel, count;
  } cases[] = {
      {"blocks at X 638, 637 (cut), 635...", drawOrbitBlocks, 70, 265.25, 1, 504},
      {"blocks at X 2, 3, 5...", drawOrbitBlocks, 220, 348.5, 1, 576},
      {"blocks at Y ...477 (cut), 478", drawOrbitBlocks, 0, 187.5, 1, 496},
      {"blocks at Y ...3, 2", drawOrbitBlocks, 150, 241.25, 1, 576},
      {"halo over the bottom edge", halo, 75, 215.0, 0, 4147},
      {"halo over the top edge", halo, 225, 215.0, 0, 4113},
      {"halo below the canvas", halo, 75, 300.0, 0, 0},
  };
  for (const auto& c : cases) {
    std::memset(canvas, 0, sizeof canvas);
    demoState.tick = c.tick;
    demoState.swing = c.swing;
    c.draw();
    EXPECT_EQ(channelSum(c.channel), c.count) << c.what;
  }
}

// The pixels of the first dot of a spiral at tick 0 with a radius step of 10
// (later dots keep well away), at (cx + 8.16, cy + 26.42). The start colour
// wraps to white for that dot alone, so this also finds a dot that took no
// step, stepped green by 1, or read more than the low 8 bits.
std::set<std::pair<int, int>> firstDot(int32_t cx, int32_t cy) {
  std::memset(canvas, 0, sizeof canvas);
  demoState.swing = 1900.0;  // tick stays 0: the spiral only reads it
  demoState.spiralCentreX = cx;
  demoState.spiralCentreY = cy;
  drawSpiral(256, 1 - 256, 1 + 512);
  std::set<std::pair<int, int>> found;
  for (int y = 0; y < kCanvasHeight; ++y)
    for (int x = 0; x < kCanvasWidth; ++x)
      if (const uint8_t* p = pixel(x, y); p[0] == 255 && p[1] == 255 && p[2] == 255)
        found.insert({x, y});
  return found;
}

std::set<std::pair<int, int>> dotAt(int x, int y) {
  return {{x, y}, {x + 1, y}, {x, y + 1}, {x + 1, y + 1}};
}

// In place, folded (truncated toward zero, then made positive), reflected,
// skipped; the dot whose left column is 639 or 640 runs on into the next row.
TEST_F(Effects, SpiralDotAtAndBeyondEachEdge) {
  const struct {
    int32_t cx, cy;
    std::set<std::pair<int, int>> want;
  } cases[] = {
      {312, 210, dotAt(320, 236)},
      {629, 210, dotAt(637, 236)},
      {-12, 210, dotAt(3, 236)},  // -3.84 folds to 3
      {312, 451, dotAt(320, 477)},
      {312, -30, dotAt(320, 3)},  // -3.58 folds to 3
      {-6, 210, {}},              // 2.16
      {-11, 210, {}},             // -2.84: truncated to -2, not floored to -3
      {312, -24, {}},             // 2.42
      {630, 210, {{0, 237}, {1, 237}, {0, 238}, {1, 238}}},      // 638 reflects to 640
      {631, 210, {{639, 236}, {0, 237}, {639, 237}, {0, 238}}},  // 639 reflects to itself
      {1270, 210, dotAt(0, 236)},   // 1278, the last column that reflects
      {1271, 210, {}},              // 1279 would go negative
      {312, 452, {}},               // row 478: neither drawn nor reflected
      {312, 453, dotAt(320, 477)},  // 479 lands on 477
      {312, 930, dotAt(320, 0)},    // 956, the last row that reflects
      {312, 931, {}},               // 957 would go negative
      {630, 452, {}},               // (638, 478): beyond both edges, no reflection
  };
  for (const auto& c : cases) EXPECT_EQ(firstDot(c.cx, c.cy), c.want) << c.cx << "," << c.cy;
}

// Phases on both sides of the switch to the 64-bit conversion, the last with
// levels past the int32 range and a phase step that wraps, against the level
// in integers: trunc((67 d + 255 phase) / 255) modulo 256, d the squared
// distance from (320, 240). Red and blue are cleared whatever they held.
TEST_F(Effects, RingsAtExtremePhases) {
  for (const int32_t phase : {1 << 30, (1 << 30) + 4, INT32_MAX - 1}) {
    std::memset(canvas, 0xA5, sizeof canvas);
    demoState.ringPhase = phase;
    drawRings();
    int wrong = 0;
    for (int y = 0; y < kCanvasHeight; ++y)
      for (int x = 0; x < kCanvasWidth; ++x) {
        const int64_t d = (x - 320) * (x - 320) + (y - 240) * (y - 240);
        const auto level = static_cast<uint8_t>((67 * d + 255 * int64_t{phase}) / 255);
        wrong += pixel(x, y)[0] != 0 || pixel(x, y)[1] != level || pixel(x, y)[2] != 0;
      }
    EXPECT_EQ(wrong, 0) << "phase " << phase;
    EXPECT_EQ(demoState.ringPhase, wrapAdd(phase, 4));
  }
}

// Steps no scene uses (0 only reports), and the result describing the canvas
// on entry, down to a lone byte of the faintest level, or of the step itself,
// at either end of the canvas: a wrong report ends a transition a pass early.
TEST_F(Effects, FadeClampsAtZeroAndReportsTheCanvasOnEntry) {
  const uint8_t before[] = {0, 1, 2, 3, 4, 100, 255};
  const struct {
    int32_t k;
    uint8_t after[7];
  } cases[] = {{0, {0, 1, 2, 3, 4, 100, 255}},
               {-10, {0, 1, 2, 3, 4, 100, 255}},  // must not brighten or wrap
               {1000, {0, 0, 0, 0, 0, 0, 0}}};
  for (const auto& c : cases) {
    std::memcpy(canvas + 500, before, sizeof before);
    EXPECT_TRUE(fadeCanvas(c.k)) << c.k;
    EXPECT_EQ(0, std::memcmp(canvas + 500, c.after, sizeof c.after)) << c.k;
  }
  for (const int at : {0, kCanvasBytes - 1}) {
    for (const uint8_t level : {1, 3}) {
      std::memset(canvas, 0, sizeof canvas);
      canvas[at] = level;
      EXPECT_TRUE(fadeCanvas(3)) << "byte " << at << " was " << int{level} << " on entry";
      EXPECT_FALSE(fadeCanvas(3)) << "byte " << at;
    }
  }
}

}  // namespace
