// sdl_screen.h - the SDL platform's screen, for its own files and its tests.
//
// The demo's screen is the surface SDL_SetVideoMode returns: 640 x 480, 32
// bits per pixel, full screen, double-buffered, in video memory.
#pragma once

#include <SDL.h>

#include "platform/platform.h"

struct Screen {
  SDL_Surface* surface;  // never null once opened
};

// SDL_LockSurface / SDL_UnlockSurface, but only for surfaces SDL_MUSTLOCK
// names: a nonzero offset, or any of SDL_HWSURFACE, SDL_ASYNCBLIT,
// SDL_RLEACCEL. Called by presentCanvas around its writes.
void lockIfNeeded(SDL_Surface* surface);
void unlockIfNeeded(SDL_Surface* surface);

// Sets the demo's mode on SDL's dummy video driver, which shows nothing, and
// registers SDL_Quit to run at exit: a real SDL screen, with the pixel format
// SDL gives the demo, for the presentation's tests and benchmarks. Returns
// null with SDL's reason in SDL_GetError().
Screen* openDummySdlScreen();
