// present_lock_test.cpp - the presentation's lock rule. SDL offers no way to
// ask whether a surface was locked, so this executable counts the calls by
// providing SDL_LockSurface and SDL_UnlockSurface itself (the linker prefers
// them to SDL's), and only ever hands them software surfaces.
#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/sdl_screen.h"

namespace {
int lockCalls = 0;
int unlockCalls = 0;
}  // namespace

extern "C" int SDL_LockSurface(SDL_Surface*) { return ++lockCalls, 0; }
extern "C" void SDL_UnlockSurface(SDL_Surface*) { ++unlockCalls; }

namespace {

TEST(LockRule, OnlyHardwareAsyncRleOrOffsetSurfacesAreLocked) {
  ASSERT_NE(openDummySdlScreen(), nullptr);
  std::vector<Uint8> bytes(2560 * 480);
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceFrom(bytes.data(), 640, 480, 32, 2560, 0xFF0000, 0xFF00, 0xFF, 0);
  Screen screen{surface};
  presentCanvas(&screen);  // a plain software surface, through the whole presentation
  EXPECT_EQ(lockCalls + unlockCalls, 0);
  const struct {
    Uint32 flags;
    int offset, calls;
  } cases[] = {{SDL_HWSURFACE, 0, 1},
               {SDL_ASYNCBLIT, 0, 1},
               {SDL_RLEACCEL, 0, 1},
               {0, 4, 1},
               {SDL_FULLSCREEN | SDL_DOUBLEBUF | SDL_SRCCOLORKEY, 0, 0}};
  for (const auto& c : cases) {
    lockCalls = unlockCalls = 0;
    surface->flags = c.flags;
    surface->offset = c.offset;
    lockIfNeeded(surface);
    unlockIfNeeded(surface);
    EXPECT_TRUE(lockCalls == c.calls && unlockCalls == c.calls)
        << std::hex << "flags " << c.flags << ": locked " << lockCalls << ", unlocked "
        << unlockCalls;
  }
  surface->flags = 0;
  surface->offset = 0;
  SDL_FreeSurface(surface);
}

}  // namespace
