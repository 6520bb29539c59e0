// frame_loop.cpp - events and the frame of one loop pass.
#include "host/frame_loop.h"

#include <climits>

#include "scenes/demo_state.h"
#include "scenes/render_frame.h"

namespace {

void skipScene() {
  demoState.fading = true;
  // Saturate rather than overflow: past the last scene every index means "over".
  if (demoState.sceneIndex < INT32_MAX) demoState.sceneIndex += 1;
}

}  // namespace

bool handleEvent(const SDL_Event& event) {
  if (event.type == SDL_QUIT) return true;
  if (event.type != SDL_KEYDOWN) return false;
  switch (event.key.keysym.sym) {
    case SDLK_ESCAPE:
      return true;
    case SDLK_SPACE:
      skipScene();
      return false;
    default:
      return false;
  }
}

bool pollEvents() {
  bool quit = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) quit = handleEvent(event) || quit;
  return quit;
}

FramePass runFramePass(SDL_Surface* screen) {
  const bool quit = pollEvents();
  return FramePass{renderFrame(screen), quit};
}
