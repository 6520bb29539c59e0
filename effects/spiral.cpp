// spiral.cpp - scene 1's spiral: 90 dots of 2 x 2 pixels that fan out from
// (spiralCentreX, spiralCentreY).
//
// The figure is skewed, not rotated: the row adds X0 with no factor and
// subtracts the sine on its own. The colour steps down before every dot,
// drawn or not, so the first dot is already one step below (r, g, b). A dot
// is drawn by linear offsets, so one whose left column is 639 or 640 wraps
// onto the start of the next row; the placement keeps even that inside the
// canvas.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "effects/canvas.h"
#include "effects/effects.h"
#include "effects/trig.h"
#include "scenes/demo_state.h"

namespace {

constexpr int kDots = 90;
constexpr double kStartRadius = 10.0;
constexpr double kRadiusPerSwing = 1.0 / 190.0;  // the double nearest 1/190
constexpr double kRadiansPerDot = 5.0;
constexpr uint8_t kRedStep = 1;
constexpr uint8_t kGreenStep = 2;
constexpr uint8_t kBlueStep = 2;

constexpr int kMirrorColumn = 1278;  // px >= 638 lands on 1278 - px
constexpr int kMirrorRow = 956;      // py >= 479 lands on 956 - py

// Every value of this size or more is skipped by the placement anyway (its
// reflection would be negative); testing the double first keeps the
// truncation defined for any swing or centre.
constexpr double kFarValue = 1.0e6;

struct Spot {
  int column;
  int row;
};

// The top-left pixel of a dot whose truncated position is (x, y), or false
// when it has no place on the canvas.
bool placeDot(double x, double y, Spot& spot) {
  if (!(std::fabs(x) < kFarValue && std::fabs(y) < kFarValue)) return false;
  const int px = std::abs(static_cast<int>(x));
  const int py = std::abs(static_cast<int>(y));
  const bool columnInside = px >= kWindowLeft && px <= kWindowRight;
  const bool rowInside = py >= kWindowTop && py <= kWindowBottom;
  if (columnInside && rowInside) {
    spot = {px, py};
  } else if (px > kWindowRight && rowInside && px <= kMirrorColumn) {
    spot = {kMirrorColumn - px, py};
  } else if (columnInside && py > kWindowBottom + 1 && py <= kMirrorRow) {
    spot = {px, kMirrorRow - py};
  } else {
    return false;
  }
  // A reflection may land on column or row 0 to 2: that is still the dot's
  // place (only unreflected positions are held to the window).
  return true;
}

// A dot's four pixels as byte offsets from its top-left one, in drawing order.
constexpr int kDotCorners[4] = {0, kCanvasBytesPerPixel, kCanvasPitch,
                                kCanvasPitch + kCanvasBytesPerPixel};

void paintDot(Spot spot, uint8_t red, uint8_t green, uint8_t blue) {
  const int offset = kCanvasPitch * spot.row + kCanvasBytesPerPixel * spot.column;
  for (int corner : kDotCorners) {
    uint8_t* p = canvas + offset + corner;
    p[0] = red;
    p[1] = green;
    p[2] = blue;
  }
}

}  // namespace

void drawSpiral(int32_t r, int32_t g, int32_t b) {
  const double turn = demoState.tick * kTickAngle;
  const SineCosine turnTrig = sineCosine(turn);
  const double cosTurn = turnTrig.cosine;
  const double sinTurn = turnTrig.sine;
  const double radiusStep = demoState.swing * kRadiusPerSwing;
  const double centreX = demoState.spiralCentreX;
  const double centreY = demoState.spiralCentreY;

  auto red = static_cast<uint8_t>(r);
  auto green = static_cast<uint8_t>(g);
  auto blue = static_cast<uint8_t>(b);
  double radius = kStartRadius;
  for (int n = 0; n < kDots; ++n) {
    radius += radiusStep;  // built up by repeated addition; the rounding shows
    const double angle = kRadiansPerDot * n + radius;
    const SineCosine angleTrig = sineCosine(angle);
    const double x0 = radius * angleTrig.cosine;
    const double y0 = radius * angleTrig.sine;
    const double x = (x0 * cosTurn + centreX) + y0 * sinTurn;
    const double y = ((centreY + x0) - sinTurn) + y0 * cosTurn;

    red = static_cast<uint8_t>(red - kRedStep);
    green = static_cast<uint8_t>(green - kGreenStep);
    blue = static_cast<uint8_t>(blue - kBlueStep);

    Spot spot;
    if (placeDot(x, y, spot)) paintDot(spot, red, green, blue);
  }
}
