// halo.cpp - the additive halo of scenes 2 and 4.
//
// The scenes fade the canvas only a little per frame, so colour added again
// and again along the circles' paths builds the glow. A point's angle is its
// index in whole radians, so one circle's points scatter round it and most
// pixels are hit two or three times, each hit adding (and wrapping) again;
// the points' offsets are the same for every circle and are computed once.
#include <cstdint>

#include "effects/canvas.h"
#include "effects/effects.h"
#include "effects/trig.h"
#include "scenes/demo_state.h"

namespace {

constexpr int kCircles = 10;
constexpr int kPointsPerCircle = 700;
constexpr double kCircleRadius = 50.0;
constexpr double kOrbitHalfWidth = 100.0;
constexpr double kOrbitSwingBias = 10.0;

// The window (canvas.h) as bounds on the untruncated value: truncation toward
// zero gives 3..637 exactly for 3 <= v < 638. Testing before converting also
// keeps any swing, however large or non-finite, away from an overflowing cast.
constexpr double kLowest = kWindowLeft;
constexpr double kPastRight = kWindowRight + 1;
constexpr double kPastBottom = kWindowBottom + 1;

// The same 700 points for every circle: their offsets from the centre.
struct PointRing {
  double dx[kPointsPerCircle];
  double dy[kPointsPerCircle];
};

void fillPointRing(PointRing& ring) {
  for (int i = 0; i < kPointsPerCircle; ++i) {
    const SineCosine trig = sineCosine(static_cast<double>(i));
    ring.dx[i] = kCircleRadius * trig.sine;
    ring.dy[i] = kCircleRadius * trig.cosine;
  }
}

void addCircle(const PointRing& ring, double centreOffsetX, double centreOffsetY,
               const uint8_t colour[3]) {
  for (int i = 0; i < kPointsPerCircle; ++i) {
    // Summed as the offset, then the moving part, then the screen centre.
    const double x = ring.dx[i] + centreOffsetX + kCentreX;
    const double y = ring.dy[i] + centreOffsetY + kCentreY;
    if (!(x >= kLowest && x < kPastRight && y >= kLowest && y < kPastBottom)) continue;
    uint8_t* p = canvas + canvasOffset(static_cast<int>(x), static_cast<int>(y));
    p[0] = static_cast<uint8_t>(p[0] + colour[0]);
    p[1] = static_cast<uint8_t>(p[1] + colour[1]);
    p[2] = static_cast<uint8_t>(p[2] + colour[2]);
  }
}

}  // namespace

void drawHalo(int32_t red, int32_t green, int32_t blue) {
  const uint8_t colour[3] = {static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                             static_cast<uint8_t>(blue)};
  // Evaluated once per call rather than once per circle: the same sines and
  // cosines of the same angles, ten times fewer calls.
  PointRing ring;
  fillPointRing(ring);

  const double verticalReach = demoState.swing + kOrbitSwingBias;
  for (int k = 0; k < kCircles; ++k) {
    const int32_t t = demoState.tick;
    demoState.tick = wrapAdd(t, 1);
    const double a = t * kTickAngle;
    const SineCosine trig = sineCosine(a);
    addCircle(ring, kOrbitHalfWidth * trig.cosine, verticalReach * trig.sine, colour);
  }
}
