// fuzz_render_frame - libFuzzer target: arbitrary animation state and key
// presses through the scene script, the effects and the presentation.
//
// The input's first bytes become every field of demoState (any double for
// swing, NaN and infinities included), the rest a short sequence of frames,
// each with the keys pressed before it. AddressSanitizer catches any write
// outside the canvas, UndefinedBehaviorSanitizer any overflow or bad cast.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "effects/canvas.h"
#include "host/frame_loop.h"
#include "host/video.h"
#include "scenes/demo_state.h"

namespace {

constexpr int kMaxFrames = 4;

SDL_Surface* screen = nullptr;

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

void pushKey(uint8_t code) {
  SDL_Event event{};
  switch (code % 4) {
    case 0:
      event.type = SDL_QUIT;
      break;
    case 1:
      event.type = SDL_KEYDOWN;
      event.key.keysym.sym = SDLK_SPACE;
      break;
    case 2:
      event.type = SDL_KEYDOWN;
      event.key.keysym.sym = SDLK_ESCAPE;
      break;
    default:
      event.type = SDL_KEYUP;
      event.key.keysym.sym = SDLK_SPACE;
      break;
  }
  SDL_PushEvent(&event);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  screen = openHeadlessScreen();
  if (screen == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::memset(canvas, take<uint8_t>(data, size), sizeof canvas);
  loadState(data, size);
  SDL_Event drain;
  while (SDL_PollEvent(&drain)) {
  }
  for (int frame = 0; frame < kMaxFrames && size > 0; ++frame) {
    const uint8_t keys = take<uint8_t>(data, size);
    for (int k = 0; k < (keys >> 5); ++k) pushKey(take<uint8_t>(data, size));
    if (!loopGoesOn(runFramePass(screen))) break;
  }
  return 0;
}
