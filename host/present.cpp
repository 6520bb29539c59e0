// present.cpp - converts the RGB canvas into the 32-bit screen surface.
#include "host/present.h"

#include <cstdint>

#include "effects/canvas.h"

namespace {

constexpr Uint32 kMustLockFlags = SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_RLEACCEL;  // 0x4005

bool mustLock(const SDL_Surface* surface) {
  return surface->offset != 0 || (surface->flags & kMustLockFlags) != 0;
}

bool fitsCanvas(const SDL_Surface* screen) {
  return screen->pixels != nullptr && screen->format->BytesPerPixel == 4 &&
         screen->w >= kCanvasWidth && screen->h >= kCanvasHeight &&
         screen->pitch >= kCanvasWidth * 4;
}

// SDL_MapRGB per pixel costs about ten times the rest of a frame's drawing.
// For formats without a palette it is exactly this shift-and-mask, which the
// compiler can inline and vectorise; paletted formats still ask SDL.
void convertRow(SDL_PixelFormat* format, const uint8_t* source, Uint32* destination) {
  if (format->palette != nullptr) {
    for (int x = 0; x < kCanvasWidth; ++x, source += kCanvasBytesPerPixel) {
      destination[x] = SDL_MapRGB(format, source[0], source[1], source[2]);
    }
    return;
  }
  const Uint8 rLoss = format->Rloss, gLoss = format->Gloss, bLoss = format->Bloss;
  const Uint8 rShift = format->Rshift, gShift = format->Gshift, bShift = format->Bshift;
  const Uint32 alpha = format->Amask;
  for (int x = 0; x < kCanvasWidth; ++x, source += kCanvasBytesPerPixel) {
    destination[x] = (Uint32(source[0] >> rLoss) << rShift) |
                     (Uint32(source[1] >> gLoss) << gShift) |
                     (Uint32(source[2] >> bLoss) << bShift) | alpha;
  }
}

}  // namespace

void lockIfNeeded(SDL_Surface* surface) {
  if (mustLock(surface)) SDL_LockSurface(surface);
}

void unlockIfNeeded(SDL_Surface* surface) {
  if (mustLock(surface)) SDL_UnlockSurface(surface);
}

void presentCanvas(SDL_Surface* screen) {
  lockIfNeeded(screen);
  if (fitsCanvas(screen)) {
    auto* base = static_cast<uint8_t*>(screen->pixels);
    for (int y = 0; y < kCanvasHeight; ++y) {
      // Each row starts on a whole 32-bit word, whatever the pitch.
      const size_t rowStart = (static_cast<size_t>(y) * screen->pitch) & ~size_t{3};
      convertRow(screen->format, canvas + canvasOffset(0, y),
                 reinterpret_cast<Uint32*>(base + rowStart));
    }
  }
  unlockIfNeeded(screen);
  SDL_Flip(screen);
}
