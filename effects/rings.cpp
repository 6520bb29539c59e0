// rings.cpp - scene 0's background: concentric green rings that drift inward.
//
// Every call repaints the whole canvas and raises all levels by 4, which moves
// the rings toward the centre; the look repeats every 64 calls. The level's
// doubles are summed in the order written, which decides the last bit, so no
// lookup table stands in for them; the only shortcuts are the picture's
// mirror symmetries about row 240 and column 320.
#include <cstdint>
#include <cstring>

#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

namespace {

constexpr double kRingFactor = 67.0;
constexpr double kScale = 1.0 / 255.0;  // the double nearest 1/255, as a factor
constexpr int32_t kPhaseStep = 4;

// With |phase| up to 2^30 every level fits an int32, so the truncation can use
// the 32-bit conversion the compiler vectorises; beyond that (never reached by
// the script, but ringPhase is just a field anyone may set) a 64-bit one keeps
// the same formula defined.
constexpr double kNarrowPhaseLimit = 1073741824.0;

// The level depends on y only through (y - 240)^2, so row 240 + j equals
// row 240 - j: only rows 0..240 are computed (row 0 has no partner) and the
// rest are copies, the same bytes for half the arithmetic.
constexpr int kComputedRows = kCentreY + 1;

// The level of one pixel, truncated through Int.
template <typename Int>
uint8_t levelOf(int dx, int rowTerm, double phase) {
  const double level = static_cast<double>(dx * dx + rowTerm) * kRingFactor * kScale + phase;
  return static_cast<uint8_t>(static_cast<Int>(level));
}

// One row's green levels. The level depends on x only through (x - 320)^2
// too, so the right half mirrors the left: columns 0..319 are computed (a
// whole number of vectors), 320 on its own, and 321..639 copied.
template <typename Int>
void levelsOfRow(int y, double phase, uint8_t (&green)[kCanvasWidth]) {
  const int dy = y - kCentreY;
  const int rowTerm = dy * dy;
  for (int x = 0; x < kCentreX; ++x) green[x] = levelOf<Int>(x - kCentreX, rowTerm, phase);
  green[kCentreX] = levelOf<Int>(0, rowTerm, phase);
  for (int x = kCentreX + 1; x < kCanvasWidth; ++x) green[x] = green[2 * kCentreX - x];
}

template <typename Int>
void paintRings(double phase) {
  for (int y = 0; y < kComputedRows; ++y) {
    uint8_t green[kCanvasWidth];
    levelsOfRow<Int>(y, phase, green);
    // Clearing the row first leaves one byte store per pixel.
    uint8_t* out = canvas + canvasOffset(0, y);
    std::memset(out, 0, kCanvasPitch);
    for (int x = 0; x < kCanvasWidth; ++x) out[x * kCanvasBytesPerPixel + 1] = green[x];
  }
  for (int y = kComputedRows; y < kCanvasHeight; ++y)
    std::memcpy(canvas + canvasOffset(0, y), canvas + canvasOffset(0, 2 * kCentreY - y),
                kCanvasPitch);
}

}  // namespace

void drawRings() {
  const int32_t phase = demoState.ringPhase;
  const double p = static_cast<double>(phase);
  if (p >= -kNarrowPhaseLimit && p <= kNarrowPhaseLimit) {
    paintRings<int32_t>(p);
  } else {
    paintRings<int64_t>(p);
  }
  demoState.ringPhase = wrapAdd(phase, kPhaseStep);
}
