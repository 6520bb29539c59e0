// effects_bounds.cpp - every effect against extreme and random DemoState
// values: no write outside the canvas (AddressSanitizer watches the canvas's
// edges in the sanitizer build), no undefined arithmetic (UBSan there,
// float-to-int overflow included), each effect writing only where it may,
// and only its own state fields moving.
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr int kRounds = 400;

const double kExtremeDoubles[] = {0.0,     -0.0,    1.0,     -1.0,     71.0,    -71.0,   320.0,   -320.0,
                                  1.0e4,   -1.0e4,  2.0e9,   -2.0e9,   1.0e18,  -1.0e18, 1.0e300, -1.0e300,
                                  DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, 5.0e-324,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};

const int32_t kExtremeInts[] = {0,    1,     -1,     3,       -3,      300,       -300,     640,       -640,
                                1279, -1279, 100000, -100000, INT32_MAX, INT32_MIN, INT32_MAX - 5, INT32_MIN + 5};

class Extremes {
 public:
  explicit Extremes(uint32_t seed) : random_(seed) {}

  double anyDouble() {
    if (coin()) return kExtremeDoubles[pick(std::size(kExtremeDoubles))];
    return std::uniform_real_distribution<double>(-2000.0, 2000.0)(random_);
  }
  int32_t anyInt() {
    if (coin()) return kExtremeInts[pick(std::size(kExtremeInts))];
    return static_cast<int32_t>(random_());
  }
  DemoState anyState() {
    DemoState s{};
    s.sceneIndex = anyInt();
    s.sceneFrame = anyInt();
    s.sceneLength = anyInt();
    s.fading = coin();
    s.swing = anyDouble();
    s.swingRising = coin();
    s.tick = anyInt();
    s.spiralCentreX = anyInt();
    s.spiralCentreY = anyInt();
    s.ringPhase = anyInt();
    return s;
  }

 private:
  bool coin() { return random_() & 1; }
  size_t pick(size_t n) { return random_() % n; }
  std::mt19937 random_;
};

int32_t plus(int32_t value, uint32_t step) { return static_cast<int32_t>(static_cast<uint32_t>(value) + step); }

// Fields compared one by one: a NaN swing must stay the same NaN bits.
void expectSameExceptTickAndPhase(const DemoState& before, const DemoState& after) {
  EXPECT_EQ(before.sceneIndex, after.sceneIndex);
  EXPECT_EQ(before.sceneFrame, after.sceneFrame);
  EXPECT_EQ(before.sceneLength, after.sceneLength);
  EXPECT_EQ(before.fading, after.fading);
  EXPECT_EQ(0, std::memcmp(&before.swing, &after.swing, sizeof before.swing));
  EXPECT_EQ(before.swingRising, after.swingRising);
  EXPECT_EQ(before.spiralCentreX, after.spiralCentreX);
  EXPECT_EQ(before.spiralCentreY, after.spiralCentreY);
}

struct Change {
  int pixels = 0;
  int minX = kCanvasWidth, maxX = -1, minY = kCanvasHeight, maxY = -1;
};

Change changedSince(const std::vector<uint8_t>& before) {
  Change c;
  for (int y = 0; y < kCanvasHeight; ++y)
    for (int x = 0; x < kCanvasWidth; ++x) {
      const int o = canvasOffset(x, y);
      if (std::memcmp(canvas + o, before.data() + o, 3) == 0) continue;
      ++c.pixels;
      c.minX = std::min(c.minX, x);
      c.maxX = std::max(c.maxX, x);
      c.minY = std::min(c.minY, y);
      c.maxY = std::max(c.maxY, y);
    }
  return c;
}

class Bounds : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 noise(7);
    for (int i = 0; i < kCanvasBytes; ++i) canvas[i] = static_cast<uint8_t>(noise());
  }
  void TearDown() override { resetDemoState(); }
  std::vector<uint8_t> snapshot() const { return std::vector<uint8_t>(canvas, canvas + kCanvasBytes); }
};

TEST_F(Bounds, Rings) {
  Extremes extremes(1);
  for (int round = 0; round < kRounds / 8; ++round) {
    demoState = extremes.anyState();
    const DemoState before = demoState;
    drawRings();
    expectSameExceptTickAndPhase(before, demoState);
    EXPECT_EQ(demoState.tick, before.tick);
    EXPECT_EQ(demoState.ringPhase, plus(before.ringPhase, 4));
  }
}

TEST_F(Bounds, Picture) {
  Extremes extremes(2);
  for (int round = 0; round < kRounds; ++round) {
    demoState = extremes.anyState();
    const DemoState before = demoState;
    const auto canvasBefore = snapshot();
    drawPicture();
    expectSameExceptTickAndPhase(before, demoState);
    EXPECT_EQ(demoState.tick, plus(before.tick, 1));
    EXPECT_EQ(demoState.ringPhase, before.ringPhase);
    const Change c = changedSince(canvasBefore);
    if (c.pixels) {
      EXPECT_TRUE(c.minX >= 450 && c.maxX <= 627 && c.minY >= 3 && c.maxY <= 477) << "round " << round;
    }
  }
}

TEST_F(Bounds, Spiral) {
  Extremes extremes(3);
  for (int round = 0; round < kRounds; ++round) {
    demoState = extremes.anyState();
    const DemoState before = demoState;
    const auto canvasBefore = snapshot();
    drawSpiral(extremes.anyInt(), extremes.anyInt(), extremes.anyInt());
    expectSameExceptTickAndPhase(before, demoState);
    EXPECT_EQ(demoState.tick, before.tick);
    EXPECT_EQ(demoState.ringPhase, before.ringPhase);
    // 90 dots of four pixels; reflections and the right-edge wrap may put
    // them anywhere on the canvas, but nowhere else (the sanitizer's part).
    EXPECT_LE(changedSince(canvasBefore).pixels, 90 * 4);
  }
}

TEST_F(Bounds, Halo) {
  Extremes extremes(4);
  for (int round = 0; round < kRounds; ++round) {
    demoState = extremes.anyState();
    const DemoState before = demoState;
    const auto canvasBefore = snapshot();
    drawHalo(extremes.anyInt(), extremes.anyInt(), extremes.anyInt());
    expectSameExceptTickAndPhase(before, demoState);
    EXPECT_EQ(demoState.tick, plus(before.tick, 10));
    EXPECT_EQ(demoState.ringPhase, before.ringPhase);
    const Change c = changedSince(canvasBefore);
    if (c.pixels) {
      EXPECT_TRUE(c.minX >= 3 && c.maxX <= 637 && c.minY >= 3 && c.maxY <= 477) << "round " << round;
    }
  }
}

TEST_F(Bounds, OrbitBlocks) {
  Extremes extremes(5);
  for (int round = 0; round < kRounds; ++round) {
    demoState = extremes.anyState();
    const DemoState before = demoState;
    const auto canvasBefore = snapshot();
    drawOrbitBlocks();
    expectSameExceptTickAndPhase(before, demoState);
    EXPECT_EQ(demoState.tick, plus(before.tick, 10));
    EXPECT_EQ(demoState.ringPhase, before.ringPhase);
    const Change c = changedSince(canvasBefore);
    EXPECT_LE(c.pixels, 10 * 64);
    if (c.pixels) {
      EXPECT_TRUE(c.minX >= 3 && c.minY >= 3) << "round " << round;
    }
  }
}

// Random states rarely put a block or a dot exactly on the last rows and
// columns; these do (the checks below make sure of it), and the sanitizer
// build watches the bytes just past them.
TEST_F(Bounds, ShapesAtTheLastRowsAndColumns) {
  resetDemoState();
  auto before = snapshot();
  for (int32_t tick = 0; tick < 300; ++tick) {
    for (double swing = 150.0; swing < 420.0; swing += 3.7) {
      demoState.tick = tick;
      demoState.swing = swing;
      drawOrbitBlocks();
    }
  }
  const int lastRow = canvasOffset(0, kCanvasHeight - 1);
  EXPECT_NE(0, std::memcmp(canvas + lastRow, before.data() + lastRow, kCanvasPitch)) << "no block reached row 479";
  bool lastColumn = false;
  for (int y = 0; y < kCanvasHeight; ++y) {
    const int o = canvasOffset(kCanvasWidth - 1, y);
    lastColumn = lastColumn || std::memcmp(canvas + o, before.data() + o, 3) != 0;
  }
  EXPECT_TRUE(lastColumn) << "no block reached column 639";

  before = snapshot();
  demoState.tick = 0;
  demoState.swing = 0.0;
  for (int32_t cx = 620; cx < 1300; ++cx)
    for (int32_t cy : {-20, 3, 240, 470, 480, 490, 500, 940, 960, 980}) {
      demoState.spiralCentreX = cx;
      demoState.spiralCentreY = cy;
      drawSpiral(255, 255, 255);
    }
  // Dots reach row 478 (drawn on 477) and, through the linear wrap, column 0.
  const int row478 = canvasOffset(0, kCanvasHeight - 2);
  EXPECT_NE(0, std::memcmp(canvas + row478, before.data() + row478, kCanvasPitch));
  EXPECT_NE(0, std::memcmp(canvas + canvasOffset(0, 241), before.data() + canvasOffset(0, 241), 6));
}

}  // namespace
