// effects_bounds.cpp - every effect against extreme and random DemoState
// values: no write outside the canvas (AddressSanitizer watches its edges in
// the sanitizer build), no undefined arithmetic (UBSan there, float-to-int
// overflow included), each effect writing only where it may, and only its
// own state fields moving.
#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "effects_util.h"

namespace {

const double kExtremeDoubles[] = {0.0,     -0.0,     1.0,      -1.0,     71.0,      -71.0,
                                  320.0,   -320.0,   1.0e4,    -1.0e4,   2.0e9,     -2.0e9,
                                  1.0e18,  -1.0e18,  1.0e300,  -1.0e300, DBL_MAX,   -DBL_MAX,
                                  DBL_MIN, -DBL_MIN, 5.0e-324, HUGE_VAL, -HUGE_VAL, NAN};
const int32_t kExtremeInts[] = {
    0,    1,     -1,     3,       -3,        300,       -300,          640,          -640,
    1279, -1279, 100000, -100000, INT32_MAX, INT32_MIN, INT32_MAX - 5, INT32_MIN + 5};

// Half the time an extreme value, otherwise a random one.
struct Extremes {
  std::mt19937 random;
  bool coin() { return random() & 1; }
  double anyDouble() {
    return coin() ? kExtremeDoubles[random() % std::size(kExtremeDoubles)]
                  : std::uniform_real_distribution<double>(-2000.0, 2000.0)(random);
  }
  int32_t anyInt() {
    return coin() ? kExtremeInts[random() % std::size(kExtremeInts)]
                  : static_cast<int32_t>(random());
  }
  DemoState anyState() {
    return {anyInt(), anyInt(), anyInt(), coin(),   anyDouble(),
            coin(),   anyInt(), anyInt(), anyInt(), anyInt()};
  }
};

// Field by field, with swing as bits, so a NaN must stay the same NaN.
auto fields(const DemoState& s) {
  return std::tuple(s.sceneIndex, s.sceneFrame, s.sceneLength, s.fading,
                    std::bit_cast<uint64_t>(s.swing), s.swingRising, s.tick, s.spiralCentreX,
                    s.spiralCentreY, s.ringPhase);
}

struct Case {
  const char* name;
  void (*draw)(Extremes&);
  int rounds;
  int32_t tickStep, phaseStep;
  int maxPixels;               // pixels one call may change
  int minX, maxX, minY, maxY;  // where it may change them
};

const Case kCases[] = {
    {"rings", [](Extremes&) { drawRings(); }, 50, 0, 4, kCanvasPixels, 0, 639, 0, 479},
    {"picture", [](Extremes&) { drawPicture(); }, 400, 1, 0, kCanvasPixels, 450, 627, 3, 477},
    // Reflections and the right-edge wrap may put dots anywhere on the canvas.
    {"spiral", [](Extremes& e) { drawSpiral(e.anyInt(), e.anyInt(), e.anyInt()); }, 400, 0, 0,
     90 * 4, 0, 639, 0, 479},
    {"halo", [](Extremes& e) { drawHalo(e.anyInt(), e.anyInt(), e.anyInt()); }, 400, 10, 0,
     kCanvasPixels, 3, 637, 3, 477},
    {"blocks", [](Extremes&) { drawOrbitBlocks(); }, 400, 10, 0, 10 * 64, 3, 639, 3, 479},
};

using Bounds = EffectTest;

TEST_F(Bounds, ExtremeAndRandomStates) {
  std::mt19937 noise(7);
  for (int i = 0; i < kCanvasBytes; ++i) canvas[i] = static_cast<uint8_t>(noise());
  uint32_t seed = 0;
  for (const Case& c : kCases) {
    Extremes extremes{std::mt19937(++seed)};
    for (int round = 0; round < c.rounds; ++round) {
      demoState = extremes.anyState();
      DemoState want = demoState;
      want.tick = wrapAdd(want.tick, c.tickStep);
      want.ringPhase = wrapAdd(want.ringPhase, c.phaseStep);
      const std::vector<uint8_t> before(canvas, canvas + kCanvasBytes);
      c.draw(extremes);
      EXPECT_EQ(fields(demoState), fields(want)) << c.name << " round " << round;
      int changed = 0, outside = 0;
      for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
          if (std::memcmp(pixel(x, y), &before[canvasOffset(x, y)], 3) != 0) {
            ++changed;
            outside += x < c.minX || x > c.maxX || y < c.minY || y > c.maxY;
          }
      EXPECT_TRUE(changed <= c.maxPixels && outside == 0)
          << c.name << " round " << round << ": " << changed << " changed, " << outside
          << " of them outside " << c.minX << ".." << c.maxX << " x " << c.minY << ".." << c.maxY;
    }
  }
}

}  // namespace
