// present.cpp - converts the RGB canvas into the 32-bit screen surface and
// flips it.
#include <cstdint>

#include "effects/canvas.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_screen.h"

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
// compiler can inline; paletted formats still ask SDL.
void convertRowAnyFormat(SDL_PixelFormat* format, const uint8_t* source, Uint32* destination) {
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

// The screens SDL gives the demo store words as 0x00RRGGBB (or with alpha on
// top). With the shifts known at compile time this loop runs in half the
// time of the general one, and it is the same mapping.
bool isUsualLayout(const SDL_PixelFormat* format) {
  return format->palette == nullptr && format->Rloss == 0 && format->Gloss == 0 &&
         format->Bloss == 0 && format->Rshift == 16 && format->Gshift == 8 && format->Bshift == 0;
}

void convertRowUsualLayout(const uint8_t* source, Uint32* destination, Uint32 alpha) {
  for (int x = 0; x < kCanvasWidth; ++x, source += kCanvasBytesPerPixel) {
    destination[x] = (Uint32(source[0]) << 16) | (Uint32(source[1]) << 8) | source[2] | alpha;
  }
}

void convertCanvas(SDL_Surface* screen) {
  SDL_PixelFormat* format = screen->format;
  const bool usual = isUsualLayout(format);
  auto* base = static_cast<uint8_t*>(screen->pixels);
  for (int y = 0; y < kCanvasHeight; ++y) {
    // Each row starts on a whole 32-bit word, whatever the pitch.
    const size_t rowStart = (static_cast<size_t>(y) * screen->pitch) & ~size_t{3};
    const uint8_t* source = canvas + canvasOffset(0, y);
    auto* destination = reinterpret_cast<Uint32*>(base + rowStart);
    if (usual)
      convertRowUsualLayout(source, destination, format->Amask);
    else
      convertRowAnyFormat(format, source, destination);
  }
}

}  // namespace

void lockIfNeeded(SDL_Surface* surface) {
  if (mustLock(surface)) SDL_LockSurface(surface);
}

void unlockIfNeeded(SDL_Surface* surface) {
  if (mustLock(surface)) SDL_UnlockSurface(surface);
}

// Writes nothing into a surface that is not 32 bits per pixel or smaller than
// 640 x 480, so it never writes outside it; the flip still happens.
void presentCanvas(Screen* screen) {
  SDL_Surface* surface = screen->surface;
  lockIfNeeded(surface);
  if (fitsCanvas(surface)) convertCanvas(surface);
  unlockIfNeeded(surface);
  SDL_Flip(surface);
}
