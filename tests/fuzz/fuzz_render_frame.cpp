// fuzz_render_frame - libFuzzer target: arbitrary animation state and key
// presses through the scene script, the effects and the null platform's
// presentation.
//
// The input's first bytes become every field of demoState (any double for
// swing, NaN and infinities included), the rest a short sequence of frames,
// each with the keys pressed before it. AddressSanitizer catches any write
// outside the canvas, UndefinedBehaviorSanitizer any overflow or bad cast.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "effects/canvas.h"
#include "host/frame_loop.h"
#include "host/input_queue.h"
#include "platform/null/null_screen.h"
#include "scenes/demo_state.h"

namespace {

constexpr int kMaxFrames = 4;

Screen* screen = nullptr;

template <typename T>
T take(const uint8_t*& data, size_t& size) {
  T value{};
  const size_t n = size < sizeof(T) ? size : sizeof(T);
  std::memcpy(&value, data, n);
  data += n;
  size -= n;
  return value;
}

void loadState(const uint8_t*& data, size_t& size) {
  demoState.sceneIndex = take<int32_t>(data, size);
  demoState.sceneFrame = take<int32_t>(data, size);
  demoState.sceneLength = take<int32_t>(data, size);
  demoState.fading = take<uint8_t>(data, size) & 1;
  demoState.swing = take<double>(data, size);
  demoState.swingRising = take<uint8_t>(data, size) & 1;
  demoState.tick = take<int32_t>(data, size);
  demoState.spiralCentreX = take<int32_t>(data, size);
  demoState.spiralCentreY = take<int32_t>(data, size);
  demoState.ringPhase = take<int32_t>(data, size);
}

// A key as a viewer gives it: a close request, Space, Escape, or a key
// release, which means nothing to the demo.
void pushKey(uint8_t code) {
  const int kind = code % 4;
  if (kind == 1)
    queueInput(DemoInput::Skip);
  else if (kind != 3)
    queueInput(DemoInput::Quit);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  screen = openScreen();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::memset(canvas, take<uint8_t>(data, size), sizeof canvas);
  loadState(data, size);
  clearQueuedInputs();
  for (int frame = 0; frame < kMaxFrames && size > 0; ++frame) {
    const uint8_t keys = take<uint8_t>(data, size);
    for (int k = 0; k < (keys >> 5); ++k) pushKey(take<uint8_t>(data, size));
    if (!loopGoesOn(runFramePass(screen))) break;
  }
  return 0;
}
