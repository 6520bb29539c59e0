// rings.cpp - scene 0's background: concentric green rings that drift inward.
//
// drawRings() repaints every canvas pixel: red and blue 0, green the low 8
// bits of (squared distance from the centre) * 67 / 255 + ringPhase, so each
// ring is a dark-to-bright ramp that narrows toward the edges; every call
// raises all levels by 4, which moves the rings toward the centre. The look
// depends only on ringPhase modulo 256 and repeats every 64 calls.
//
// The level is computed in doubles in a fixed order (square sum, times 67,
// times the double nearest 1/255, plus the phase) and truncated toward zero;
// that order decides the last bit and is kept as written. No lookup table.
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <cstdint>

namespace {

constexpr int kCentreX = 320;
constexpr int kCentreY = 240;
constexpr double kRingFactor = 67.0;
constexpr double kScale = 1.0 / 255.0;  // the double nearest 1/255, as a factor
constexpr uint32_t kPhaseStep = 4;

// With |phase| up to 2^30 every level fits an int32, so the truncation can use
// the 32-bit conversion the compiler vectorises; beyond that (never reached by
// the script, but ringPhase is just a field anyone may set) a 64-bit one keeps
// the same formula defined.
constexpr double kNarrowPhaseLimit = 1073741824.0;

// Paints all rows with the level truncated through Int. The green levels of a
// row go to a small buffer first so the arithmetic runs on contiguous data
// and only the interleaving store touches the canvas.
template <typename Int>
void paintRings(double phase) {
  uint8_t* out = canvas;
  for (int y = 0; y < kCanvasHeight; ++y) {
    const int dy = y - kCentreY;
    const int rowTerm = dy * dy;
    uint8_t green[kCanvasWidth];
    for (int x = 0; x < kCanvasWidth; ++x) {
      const int dx = x - kCentreX;
      const double level = static_cast<double>(dx * dx + rowTerm) * kRingFactor * kScale + phase;
      green[x] = static_cast<uint8_t>(static_cast<Int>(level));
    }
    for (int x = 0; x < kCanvasWidth; ++x) {
      out[0] = 0;
      out[1] = green[x];
      out[2] = 0;
      out += kCanvasBytesPerPixel;
    }
  }
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
  // Wraps instead of overflowing; the script never gets near the limit.
  demoState.ringPhase = static_cast<int32_t>(static_cast<uint32_t>(phase) + kPhaseStep);
}
