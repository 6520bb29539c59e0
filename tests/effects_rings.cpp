// effects_rings.cpp - the ring background: known levels, symmetry, phase
// stepping, and agreement with the exact integer form of the level.
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

uint8_t green(int x, int y) { return canvas[canvasOffset(x, y) + 1]; }

class Rings : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    std::memset(canvas, 0xA5, sizeof canvas);
  }
};

// The level in integers: floor(67 d / 255) + phase, modulo 256. Valid for a
// non-negative phase, where truncation and floor agree.
uint8_t integerLevel(int x, int y, int64_t phase) {
  const int64_t d = int64_t{x - 320} * (x - 320) + int64_t{y - 240} * (y - 240);
  return static_cast<uint8_t>((67 * d / 255 + phase) & 0xFF);
}

void expectIntegerForm(int64_t phase) {
  int mismatches = 0;
  for (int y = 0; y < kCanvasHeight; ++y)
    for (int x = 0; x < kCanvasWidth; ++x)
      if (green(x, y) != integerLevel(x, y, phase)) ++mismatches;
  EXPECT_EQ(mismatches, 0) << "phase " << phase;
}

TEST_F(Rings, FirstCallLevels) {
  drawRings();
  EXPECT_EQ(green(320, 240), 0);
  EXPECT_EQ(green(0, 0), 55);
  EXPECT_EQ(green(639, 479), 17);
  EXPECT_EQ(green(320, 0), 30);
  EXPECT_EQ(green(0, 240), 25);
  EXPECT_EQ(green(639, 0), 143);
  EXPECT_EQ(green(0, 479), 185);
  // The first wrap from bright to dark along the centre row.
  EXPECT_EQ(green(351, 240), 252);
  EXPECT_EQ(green(352, 240), 13);
  EXPECT_EQ(demoState.ringPhase, 4);
}

TEST_F(Rings, OverwritesEveryPixelWithRedAndBlueZero) {
  drawRings();
  for (int i = 0; i < kCanvasPixels; ++i) {
    ASSERT_EQ(canvas[3 * i], 0) << "pixel " << i;
    ASSERT_EQ(canvas[3 * i + 2], 0) << "pixel " << i;
  }
  // The picture does not depend on what the canvas held before.
  std::vector<uint8_t> first(canvas, canvas + kCanvasBytes);
  std::memset(canvas, 0x5A, sizeof canvas);
  demoState.ringPhase = 0;
  drawRings();
  EXPECT_EQ(0, std::memcmp(first.data(), canvas, kCanvasBytes));
}

TEST_F(Rings, MirrorSymmetricAboutTheCentre) {
  drawRings();
  for (int j = 0; j < 240; ++j)
    for (int i = 0; i < 320; ++i) {
      const uint8_t g = green(320 + i, 240 + j);
      ASSERT_EQ(g, green(320 - i, 240 - j)) << i << "," << j;
      ASSERT_EQ(g, green(320 - i, 240 + j)) << i << "," << j;
      ASSERT_EQ(g, green(320 + i, 240 - j)) << i << "," << j;
    }
}

TEST_F(Rings, EachCallRaisesEveryLevelByFourAndRepeatsAfter64) {
  drawRings();
  std::vector<uint8_t> first(canvas, canvas + kCanvasBytes);
  drawRings();
  EXPECT_EQ(demoState.ringPhase, 8);
  EXPECT_EQ(green(320, 240), 4);
  EXPECT_EQ(green(0, 0), 59);
  int wrong = 0;
  for (int i = 0; i < kCanvasPixels; ++i)
    if (canvas[3 * i + 1] != static_cast<uint8_t>(first[3 * i + 1] + 4)) ++wrong;
  EXPECT_EQ(wrong, 0);

  for (int call = 2; call <= 64; ++call) drawRings();
  EXPECT_EQ(demoState.ringPhase, 65 * 4);
  EXPECT_EQ(0, std::memcmp(first.data(), canvas, kCanvasBytes));
}

// The double evaluation order must not lose a level anywhere: compare with
// the integer form over the phases the script reaches and beyond.
TEST_F(Rings, MatchesIntegerFormForScriptPhases) {
  for (int32_t phase : {0, 4, 1000, 4008}) {
    demoState.ringPhase = phase;
    drawRings();
    expectIntegerForm(phase);
  }
}

// A phase this large takes the wide conversion; the levels are still exact
// and the phase wraps rather than overflowing.
TEST_F(Rings, HugePhaseStaysExactAndWraps) {
  demoState.ringPhase = INT32_MAX - 1;
  drawRings();
  expectIntegerForm(INT32_MAX - 1);
  EXPECT_EQ(demoState.ringPhase, INT32_MIN + 2);
}

}  // namespace
