// web_present.cpp - puts the canvas on the page: presentCanvas for the web build.
//
// Emscripten's SDL keeps the screen's pixels in the page's <canvas> element:
// the surface's `pixels` exist only while it is locked, and unlocking copies
// them to the page. So the web build always locks, whatever the surface's
// flags say. Its screen format is fixed (red in the low byte, alpha on top)
// and its SDL_MapRGB ignores the format it is given; mapping inline from the
// format's masks gives the same words without a call into JavaScript for
// each of the 307,200 pixels. Same interface as host/present.h.
#include <cstdint>

#include "effects/canvas.h"
#include "host/present.h"

namespace {

bool fitsCanvas(const SDL_Surface* screen) {
  return screen->pixels != nullptr && screen->format->BytesPerPixel == 4 &&
         screen->w >= kCanvasWidth && screen->h >= kCanvasHeight &&
         screen->pitch >= kCanvasWidth * 4;
}

int shiftOf(Uint32 mask) { return mask == 0 ? 0 : __builtin_ctz(mask); }

void convertRows(SDL_Surface* screen) {
  const SDL_PixelFormat* format = screen->format;
  const int rShift = shiftOf(format->Rmask), gShift = shiftOf(format->Gmask),
            bShift = shiftOf(format->Bmask);
  const Uint32 alpha = format->Amask;  // the page canvas blends alpha: keep it opaque
  auto* base = static_cast<uint8_t*>(screen->pixels);
  for (int y = 0; y < kCanvasHeight; ++y) {
    const uint8_t* source = canvas + canvasOffset(0, y);
    auto* destination = reinterpret_cast<Uint32*>(base + ((static_cast<size_t>(y) * screen->pitch) & ~size_t{3}));
    for (int x = 0; x < kCanvasWidth; ++x, source += kCanvasBytesPerPixel) {
      destination[x] = (Uint32(source[0]) << rShift) | (Uint32(source[1]) << gShift) |
                       (Uint32(source[2]) << bShift) | alpha;
    }
  }
}

}  // namespace

void lockIfNeeded(SDL_Surface* surface) { SDL_LockSurface(surface); }

void unlockIfNeeded(SDL_Surface* surface) { SDL_UnlockSurface(surface); }

void presentCanvas(SDL_Surface* screen) {
  lockIfNeeded(screen);
  if (fitsCanvas(screen)) convertRows(screen);
  unlockIfNeeded(screen);
  SDL_Flip(screen);
}
