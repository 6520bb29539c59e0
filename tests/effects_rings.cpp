// effects_rings.cpp - the ring background against the exact integer form of
// its level, at known points and over the whole canvas.
#include <climits>

#include "effects_util.h"

namespace {

using Rings = EffectTest;

// The level in integers: floor(67 d / 255) + phase, modulo 256. Valid for a
// non-negative phase, where truncation and floor agree. It is even in x - 320
// and y - 240, so matching it everywhere also proves the mirror symmetry.
uint8_t integerLevel(int x, int y, int64_t phase) {
  const int64_t d = int64_t{x - 320} * (x - 320) + int64_t{y - 240} * (y - 240);
  return static_cast<uint8_t>((67 * d / 255 + phase) & 0xFF);
}

// Known levels of the first call, which also pin the integer form above.
TEST_F(Rings, FirstCallLevels) {
  drawRings();
  const int cases[][3] = {{320, 240, 0}, {0, 0, 55},    {639, 479, 17}, {320, 0, 30},
                          {0, 240, 25},  {639, 0, 143}, {0, 479, 185},  {351, 240, 252},
                          {352, 240, 13}};  // the first wrap to dark
  for (auto [x, y, level] : cases) EXPECT_EQ(pixel(x, y)[1], level) << x << "," << y;
  EXPECT_EQ(demoState.ringPhase, 4);
}

// The double evaluation order must not lose a level anywhere, red and blue
// are cleared whatever the canvas held, and the phase steps by 4, wrapping at
// the int32 limit (where the level takes the wide conversion).
TEST_F(Rings, EveryPixelMatchesTheIntegerForm) {
  for (int32_t phase : {0, 4, 1000, 4008, INT32_MAX - 1}) {
    std::memset(canvas, 0xA5, sizeof canvas);
    demoState.ringPhase = phase;
    drawRings();
    int mismatches = 0;
    for (int y = 0; y < kCanvasHeight; ++y)
      for (int x = 0; x < kCanvasWidth; ++x) {
        const uint8_t* p = pixel(x, y);
        if (p[0] != 0 || p[1] != integerLevel(x, y, phase) || p[2] != 0) ++mismatches;
      }
    EXPECT_EQ(mismatches, 0) << "phase " << phase;
    EXPECT_EQ(demoState.ringPhase, wrapAdd(phase, 4));
  }
}

}  // namespace
