// test_screen.h - a screen surface for tests that run whole frames, from
// SDL's dummy video driver (ctest sets SDL_VIDEODRIVER=dummy), opened once
// per test executable exactly as the demo opens its own.
#pragma once

#include <SDL.h>

#include <cstdlib>

#include "host/video.h"

inline SDL_Surface* testScreen() {
  static SDL_Surface* screen = openHeadlessScreen();
  if (screen == nullptr) std::abort();
  return screen;
}
