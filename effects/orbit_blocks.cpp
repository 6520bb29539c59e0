// orbit_blocks.cpp - scene 3's blocks, piling colour along an orbit.
//
// Scene 3 never clears the canvas and the blocks add to what is there, so
// the trail grows and cycles through colours as the bytes wrap; the second
// colour rule then paints over the first half's trail. A block whose corner
// passes the window test but which reaches past the right or bottom edge
// (only with a swing far beyond what a run without skips reaches) is cut at
// the canvas edge rather than dropped, so the trail does not stop short.
#include <algorithm>
#include <cstdint>

#include "effects/canvas.h"
#include "effects/effects.h"
#include "effects/trig.h"
#include "scenes/demo_state.h"

namespace {

constexpr int kBlocks = 10;
constexpr int kBlockSize = 8;
constexpr double kPathRadius = 100.0;
constexpr double kSwingBiasX = 2.6;
constexpr double kSwingBiasY = 8.6;
constexpr double kFixedOffsetRadius =
    50.0;  // times sin(1) and cos(1): the orbit's centre is off the screen centre
constexpr int32_t kLastFirstRuleFrame = 500;

// The window (canvas.h) for the corners, as bounds on the untruncated sums:
// truncation toward zero gives 3..637 exactly for 3 <= v < 638. Testing first
// also keeps a huge or non-finite swing away from an overflowing cast.
constexpr double kLowest = kWindowLeft;
constexpr double kPastRight = kWindowRight + 1;
constexpr double kPastBottom = kWindowBottom + 1;

struct BlockColour {
  bool clearRed;  // second rule: red is set to 0 instead of added to
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

constexpr BlockColour kFirstRule = {false, 10, 1, 10};
constexpr BlockColour kSecondRule = {true, 0, 20, 10};

void addBlock(int left, int top, const BlockColour& colour) {
  const int right = std::min(left + kBlockSize, kCanvasWidth);
  const int bottom = std::min(top + kBlockSize, kCanvasHeight);
  for (int y = top; y < bottom; ++y) {
    uint8_t* p = canvas + canvasOffset(left, y);
    for (int x = left; x < right; ++x, p += kCanvasBytesPerPixel) {
      p[0] = colour.clearRed ? 0 : static_cast<uint8_t>(p[0] + colour.red);
      p[1] = static_cast<uint8_t>(p[1] + colour.green);
      p[2] = static_cast<uint8_t>(p[2] + colour.blue);
    }
  }
}

}  // namespace

void drawOrbitBlocks() {
  const SineCosine one = sineCosine(1.0);
  const double offsetX = kFixedOffsetRadius * one.sine;
  const double offsetY = kFixedOffsetRadius * one.cosine;
  const BlockColour& colour =
      demoState.sceneFrame <= kLastFirstRuleFrame ? kFirstRule : kSecondRule;
  const double swing = demoState.swing;

  for (int k = 0; k < kBlocks; ++k) {
    const int32_t t = demoState.tick;
    demoState.tick = wrapAdd(t, 1);
    const double a = t * kTickAngle;
    // Each sum left to right, truncated once at the end.
    const SineCosine trig = sineCosine(a);
    const double x =
        (swing + kSwingBiasX) * trig.sine + kPathRadius * trig.cosine + offsetX + kCentreX;
    const double y =
        (swing + kSwingBiasY) * trig.cosine + kPathRadius * trig.sine + offsetY + kCentreY;
    if (!(x >= kLowest && x < kPastRight && y >= kLowest && y < kPastBottom)) continue;
    addBlock(static_cast<int>(x), static_cast<int>(y), colour);
  }
}
