// input.cpp - the viewer's inputs from SDL's event queue and the stop signals.
#include <SDL.h>

#include "platform/platform.h"
#include "platform/stop_requests.h"

namespace {

// Escape and the close request quit, Space skips; every other event, key
// releases included, means nothing to the demo.
bool translate(const SDL_Event& event, DemoInput& input) {
  if (event.type == SDL_QUIT) {
    input = DemoInput::Quit;
    return true;
  }
  if (event.type != SDL_KEYDOWN) return false;
  switch (event.key.keysym.sym) {
    case SDLK_ESCAPE:
      input = DemoInput::Quit;
      return true;
    case SDLK_SPACE:
      input = DemoInput::Skip;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool nextInput(DemoInput& input) {
  if (takeStopRequest()) {
    input = DemoInput::Quit;
    return true;
  }
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (translate(event, input)) return true;
  }
  return false;
}
