// The lock rule of the presentation. SDL offers no way to ask whether a
// surface was locked, so this executable counts the calls by providing
// SDL_LockSurface and SDL_UnlockSurface itself (the linker prefers them to
// SDL's), and only ever hands them software surfaces.
#include <gtest/gtest.h>

#include <vector>

#include "host/present.h"
#include "support/test_screen.h"

namespace {
int lockCalls = 0;
int unlockCalls = 0;
}  // namespace

extern "C" int SDL_LockSurface(SDL_Surface*) {
  ++lockCalls;
  return 0;
}
extern "C" void SDL_UnlockSurface(SDL_Surface*) { ++unlockCalls; }

namespace {

class LockRule : public ::testing::Test {
 protected:
  std::vector<Uint8> bytes = std::vector<Uint8>(2560 * 480);
  SDL_Surface* surface = nullptr;
  void SetUp() override {
    testScreen();
    surface = SDL_CreateRGBSurfaceFrom(bytes.data(), 640, 480, 32, 2560, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(surface, nullptr);
    lockCalls = unlockCalls = 0;
  }
  void TearDown() override {
    surface->flags = 0;
    surface->offset = 0;
    SDL_FreeSurface(surface);
  }
  void lockAndUnlock() {
    lockIfNeeded(surface);
    unlockIfNeeded(surface);
  }
};

TEST_F(LockRule, SoftwareSurfaceIsNeitherLockedNorUnlocked) {
  presentCanvas(surface);
  EXPECT_EQ(lockCalls, 0);
  EXPECT_EQ(unlockCalls, 0);
}

TEST_F(LockRule, EachMustLockReasonLocksOnceAndUnlocksOnce) {
  for (const Uint32 flag : {Uint32(SDL_HWSURFACE), Uint32(SDL_ASYNCBLIT), Uint32(SDL_RLEACCEL)}) {
    lockCalls = unlockCalls = 0;
    surface->flags = flag;
    lockAndUnlock();
    EXPECT_EQ(lockCalls, 1) << std::hex << flag;
    EXPECT_EQ(unlockCalls, 1) << std::hex << flag;
  }
  lockCalls = unlockCalls = 0;
  surface->flags = 0;
  surface->offset = 4;
  lockAndUnlock();
  EXPECT_EQ(lockCalls, 1);
  EXPECT_EQ(unlockCalls, 1);
}

TEST_F(LockRule, FlagsOutsideTheRuleDoNotLock) {
  surface->flags = SDL_FULLSCREEN | SDL_DOUBLEBUF | SDL_SRCCOLORKEY;
  lockAndUnlock();
  EXPECT_EQ(lockCalls, 0);
}

}  // namespace
