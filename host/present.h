// present.h - puts the canvas on the screen.
//
// The one call the scene script makes into the platform, at the end of every
// frame it draws. The capture tool runs the same conversion into a surface of
// its own and puts its own flip in place of SDL's, so what it records is what
// the demo shows.
#pragma once

#include <SDL.h>

// Converts all of `canvas` into `screen` and flips it: each pixel mapped as
// SDL_MapRGB maps it and stored as a 32-bit word, rows at the surface's own
// pitch. Locks the surface only when SDL says it must. Writes nothing if the
// surface is not 32 bits per pixel or smaller than 640 x 480, so it never
// writes outside the surface; the flip still happens. `screen` must not be
// null. Called by renderFrame at the end of every frame it draws.
void presentCanvas(SDL_Surface* screen);

// How presentCanvas shows a converted surface: SDL_Flip unless a platform
// that has no display puts in its own (the capture tool counts frames with
// it). Null puts SDL_Flip back. Set before the frame loop starts.
using ScreenFlip = int (*)(SDL_Surface* screen);
void setScreenFlip(ScreenFlip flip);

// SDL_LockSurface / SDL_UnlockSurface, but only for surfaces SDL_MUSTLOCK
// names: a nonzero offset, or any of SDL_HWSURFACE, SDL_ASYNCBLIT, SDL_RLEACCEL.
void lockIfNeeded(SDL_Surface* surface);
void unlockIfNeeded(SDL_Surface* surface);
