// fade.cpp - darkens the whole canvas by a fixed step.
//
// Used twice over by the scene script: a small step at the start of some
// scenes' frames makes moving things leave short trails, and a step of 3 on
// every transition frame fades the picture to black. The result tells the
// transition when there was nothing left to darken.
#include <algorithm>

#include "effects/canvas.h"
#include "effects/effects.h"

bool fadeCanvas(int32_t k) {
  // A negative step would brighten and wrap; no caller passes one, so it is
  // treated as 0 rather than corrupting the picture.
  const uint8_t step = static_cast<uint8_t>(std::clamp(k, 0, 255));
  // Branch-free so the compiler turns it into saturating vector subtracts.
  // Writing 0 back over a byte that already is 0 changes nothing.
  uint8_t anyLit = 0;
  for (int i = 0; i < kCanvasBytes; ++i) {
    const uint8_t v = canvas[i];
    anyLit |= v;
    canvas[i] = static_cast<uint8_t>(v > step ? v - step : 0);
  }
  return anyLit != 0;
}
