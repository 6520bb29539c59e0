// picture.cpp - scene 0's picture, bobbing up and down over the rings.
//
// drawPicture() copies the compiled-in `picture` (assets/assets.h) with its
// left edge on canvas column 450 and its top row on a row y0 that follows the
// angle tick * kTickAngle and the amplitude swing. Key-coloured pixels
// (255, 0, 0) are left out; every other pixel replaces the canvas pixel, no
// blending. Only the window 3 <= x <= 637, 3 <= y <= 477 is written, so the
// bottom rows are cut whenever y0 is 243 or more. Each call advances tick by
// exactly 1, whether or not anything is drawn.
#include <algorithm>
#include <cstdint>

#include "assets/assets.h"
#include "effects/canvas.h"
#include "effects/effects.h"
#include "effects/effects_testing.h"
#include "effects/trig.h"
#include "scenes/demo_state.h"

namespace {

constexpr int kLeftColumn = 450;
constexpr double kSwingBias = 0.6;
constexpr double kSineAmplitude = 10.0;
constexpr double kCosOne = 0.5403023058681398;  // cos(1 rad), a fixed part of the row sum

// A top row this far off makes every row miss the window; checking the double
// before converting keeps a huge or non-finite swing from overflowing the int.
constexpr double kFarRow = 1.0e6;

void copyRow(const uint8_t* src, uint8_t* dst, int count) {
  for (int j = 0; j < count; ++j, src += 3, dst += kCanvasBytesPerPixel) {
    if (isColourKey(src)) continue;
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

}  // namespace

void drawPictureFrom(const Picture& source) {
  const int32_t t = demoState.tick;
  demoState.tick = wrapAdd(t, 1);
  const double a = t * kTickAngle;

  // One sum, left to right, truncated once at the end.
  const SineCosine trig = sineCosine(a);
  const double top = trig.cosine * (demoState.swing + kSwingBias) + kSineAmplitude * trig.sine +
                     kCosOne + kCentreY;
  if (!(top > -kFarRow && top < kFarRow)) return;
  const int y0 = static_cast<int>(top);

  const int width = source.width;
  const int height = source.height;
  // The record's sizes are trusted only as far as its pixel array reaches.
  if (width <= 0 || height <= 0 ||
      static_cast<int64_t>(width) * height > kPictureWidth * kPictureHeight)
    return;

  const int firstRow = std::max(0, kWindowTop - y0);
  const int endRow = std::min(height, kWindowBottom + 1 - y0);
  const int firstColumn = std::max(0, kWindowLeft - kLeftColumn);
  const int endColumn = std::min(width, kWindowRight + 1 - kLeftColumn);
  if (firstColumn >= endColumn) return;

  for (int r = firstRow; r < endRow; ++r) {
    const uint8_t* src = source.pixels + (static_cast<int64_t>(r) * width + firstColumn) * 3;
    uint8_t* dst = canvas + canvasOffset(kLeftColumn + firstColumn, y0 + r);
    copyRow(src, dst, endColumn - firstColumn);
  }
}

void drawPicture() { drawPictureFrom(picture); }
