// present_test.cpp - the SDL platform's presentCanvas: colours land as the
// surface's format says (the whole runs check the canvas, not the screen),
// rows at the surface's own pitch, and nothing is written outside the surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/canvas.h"
#include "platform/sdl/sdl_screen.h"

namespace {

constexpr Uint8 kSentinel = 0xA5;

// A surface over a buffer of sentinel bytes, with room past its end.
struct Target {
  std::vector<Uint8> bytes;
  SDL_Surface* surface;
  Target(int w, int h, int depth, int pitch, Uint32 r = 0xFF0000, Uint32 g = 0xFF00,
         Uint32 b = 0xFF, Uint32 a = 0)
      : bytes(size_t(pitch) * h + 64, kSentinel),
        surface(SDL_CreateRGBSurfaceFrom(bytes.data(), w, h, depth, pitch, r, g, b, a)) {}
  ~Target() { SDL_FreeSurface(surface); }
  void present() {
    Screen screen{surface};
    presentCanvas(&screen);
  }
  size_t rowStart(int y) const { return (size_t(y) * surface->pitch) & ~size_t{3}; }
  Uint32 word(int x, int y) const {
    Uint32 value;
    std::memcpy(&value, &bytes[rowStart(y) + x * 4], 4);
    return value;
  }
  bool untouched(size_t from, size_t to = SIZE_MAX) const {
    return std::all_of(&bytes[from], bytes.data() + std::min(to, bytes.size()),
                       [](Uint8 b) { return b == kSentinel; });
  }
};

// SDL_MapRGB and the surfaces need SDL's video started, as the demo has it.
class Present : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_NE(openDummySdlScreen(), nullptr) << SDL_GetError(); }
};

// The presentation maps pixels itself for speed; it must agree with
// SDL_MapRGB for every level of every channel, in the usual channel order
// and in others.
TEST_F(Present, MapsEveryLevelAsSdlDoes) {
  for (int i = 0; i < kCanvasBytes; ++i) canvas[i] = uint8_t(i / 3 + i % 3 * 85);
  const Uint32 masks[][4] = {{0x00FF0000, 0x0000FF00, 0x000000FF, 0},
                             {0x000000FF, 0x0000FF00, 0x00FF0000, 0},
                             {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}};
  for (const auto& m : masks) {
    Target target(640, 480, 32, 2560, m[0], m[1], m[2], m[3]);
    target.present();
    for (int i = 0; i < kCanvasPixels; ++i) {
      const uint8_t* p = canvas + 3 * i;
      ASSERT_EQ(target.word(i % 640, i / 640), SDL_MapRGB(target.surface->format, p[0], p[1], p[2]))
          << "pixel " << i << ", red mask " << std::hex << m[0];
    }
  }
}

// Rows go at the surface's own pitch, each starting on a whole word (row 3
// of pitch 2562 at 7684), and the padding between them stays.
TEST_F(Present, RowsStartAtTheirOwnPitchAndKeepThePadding) {
  for (int y = 0; y < 480; ++y) canvas[canvasOffset(0, y) + 1] = static_cast<uint8_t>(y);
  for (const int pitch : {2600, 2562}) {
    Target target(640, 480, 32, pitch);
    target.present();
    for (int y = 0; y < 480; ++y) {
      ASSERT_EQ(target.word(0, y), Uint32(y & 0xFF) << 8) << pitch << " row " << y;
      ASSERT_TRUE(target.untouched(target.rowStart(y) + 2560, target.rowStart(y + 1))) << y;
    }
    EXPECT_TRUE(target.untouched(target.rowStart(480))) << pitch;
  }
}

// Each too narrow, too short, too shallow or too tight in one way only.
TEST_F(Present, SurfacesThatCannotHoldTheCanvasAreLeftAlone) {
  const int sizes[][4] = {
      {320, 480, 32, 2560}, {640, 240, 32, 2560}, {1280, 480, 16, 2560}, {640, 480, 32, 2556}};
  for (const auto [w, h, depth, pitch] : sizes) {
    const bool rgb565 = depth == 16;
    Target target(w, h, depth, 2560, rgb565 ? 0xF800 : 0xFF0000, rgb565 ? 0x07E0 : 0xFF00,
                  rgb565 ? 0x1F : 0xFF);
    target.surface->pitch = Uint16(pitch);  // SDL itself refuses a pitch shorter than a row
    target.present();
    EXPECT_TRUE(target.untouched(0)) << w << "x" << h << " depth " << depth << " pitch " << pitch;
  }
}

}  // namespace
