// fade.cpp - darkens the whole canvas by a fixed step.
//
// Used twice over by the scene script: a small step at the start of some
// scenes' frames makes moving things leave short trails, and a step of 3 on
// every transition frame fades the picture to black. The result tells the
// transition when there was nothing left to darken.
#include <algorithm>
#include <cstring>

#include "effects/canvas.h"
#include "effects/effects.h"

namespace {

// Sixteen canvas bytes, in the vector type GCC and Clang share. Written out
// because not every compiler finds the vectors in the plain byte loop:
// Emscripten's did not, and the fade then cost the web page a millisecond a
// frame instead of a few hundredths.
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
static_assert(kCanvasBytes % sizeof(Bytes16) == 0);

}  // namespace

bool fadeCanvas(int32_t k) {
  // A negative step would brighten and wrap; no caller passes one, so it is
  // treated as 0 rather than corrupting the picture.
  const Bytes16 step = Bytes16{} + static_cast<uint8_t>(std::clamp(k, 0, 255));
  Bytes16 anyLit{};
  for (int i = 0; i < kCanvasBytes; i += sizeof(Bytes16)) {
    Bytes16 v;
    std::memcpy(&v, canvas + i, sizeof v);
    anyLit |= v;
    // A lane comparison is all ones where true: v - step where v > step,
    // else 0, which also leaves a zero byte as it was.
    v = (v - step) & reinterpret_cast<Bytes16>(v > step);
    std::memcpy(canvas + i, &v, sizeof v);
  }
  const Bytes16 black{};
  return std::memcmp(&anyLit, &black, sizeof anyLit) != 0;
}
