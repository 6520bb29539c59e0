// presentCanvas: colours land as the surface's format says, rows at the
// surface's own pitch, and nothing is written outside the surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/canvas.h"
#include "host/present.h"
#include "support/test_screen.h"

namespace {

constexpr Uint8 kSentinel = 0xA5;

struct SurfaceBuffer {
  std::vector<Uint8> bytes;
  SDL_Surface* surface;
  SurfaceBuffer(int width, int height, int depth, int pitch, Uint32 r = 0xFF0000, Uint32 g = 0xFF00,
                Uint32 b = 0xFF, Uint32 a = 0)
      : bytes(size_t(pitch) * height + 64, kSentinel),
        surface(SDL_CreateRGBSurfaceFrom(bytes.data(), width, height, depth, pitch, r, g, b, a)) {}
  ~SurfaceBuffer() { SDL_FreeSurface(surface); }
  size_t rowStart(int y) const { return (size_t(y) * surface->pitch) & ~size_t{3}; }  // on a whole word
  Uint32 word(int x, int y) const {
    Uint32 value;
    std::memcpy(&value, &bytes[rowStart(y) + x * 4], 4);
    return value;
  }
  bool untouchedFrom(size_t start, size_t end = SIZE_MAX) const {
    return std::all_of(&bytes[start], bytes.data() + std::min(end, bytes.size()), [](Uint8 b) { return b == kSentinel; });
  }
};

class Present : public ::testing::Test {
 protected:
  void SetUp() override {
    testScreen();
    std::memset(canvas, 0, sizeof canvas);
  }
};

// The presentation maps pixels itself for speed; it must agree with
// SDL_MapRGB for every level of every channel, in any channel order.
TEST_F(Present, MapsEveryLevelAsSdlDoes) {
  for (int i = 0; i < kCanvasBytes; ++i) canvas[i] = uint8_t(i / 3 + i % 3 * 85);  // all levels, all channels
  const Uint32 masks[][4] = {{0x00FF0000, 0x0000FF00, 0x000000FF, 0}, {0x000000FF, 0x0000FF00, 0x00FF0000, 0},
                             {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}};
  for (const auto& m : masks) {
    SurfaceBuffer target(640, 480, 32, 2560, m[0], m[1], m[2], m[3]);
    presentCanvas(target.surface);
    for (int i = 0; i < 640 * 480; ++i) {
      const Uint32 expected = SDL_MapRGB(target.surface->format, canvas[3 * i], canvas[3 * i + 1], canvas[3 * i + 2]);
      ASSERT_EQ(target.word(i % 640, i / 640), expected) << i << " masks " << std::hex << m[0];
    }
  }
}

// Rows go at the surface's own pitch, each starting on a whole word (at
// (3 * 2562) & ~3 = 7684 for row 3), and the padding between them stays.
TEST_F(Present, RowsStartAtTheirOwnPitchAndKeepThePadding) {
  for (int y = 0; y < 480; ++y) canvas[canvasOffset(0, y) + 1] = static_cast<uint8_t>(y);
  for (const int pitch : {2600, 2562}) {
    SurfaceBuffer target(640, 480, 32, pitch);
    presentCanvas(target.surface);
    for (int y = 0; y < 480; ++y) {
      ASSERT_EQ(target.word(0, y), Uint32(y & 0xFF) << 8) << pitch << " row " << y;
      ASSERT_TRUE(target.untouchedFrom(target.rowStart(y) + 2560, target.rowStart(y + 1))) << pitch << " row " << y;
    }
    EXPECT_TRUE(target.untouchedFrom(target.rowStart(480))) << pitch;
  }
}

// Each too narrow, too short, too shallow or too tight in one way only.
TEST_F(Present, SurfacesThatCannotHoldTheCanvasAreLeftAlone) {
  std::memset(canvas, 200, sizeof canvas);
  const int sizes[][4] = {{320, 480, 32, 2560}, {640, 240, 32, 2560}, {1280, 480, 16, 2560}, {640, 480, 32, 2556}};
  for (const auto& s : sizes) {
    SurfaceBuffer target(s[0], s[1], s[2], 2560, s[2] == 16 ? 0xF800 : 0xFF0000, s[2] == 16 ? 0x07E0 : 0xFF00,
                         s[2] == 16 ? 0x001F : 0xFF);
    target.surface->pitch = Uint16(s[3]);  // SDL itself refuses to make a pitch shorter than a row
    presentCanvas(target.surface);
    EXPECT_TRUE(target.untouchedFrom(0)) << s[0] << "x" << s[1] << " depth " << s[2] << " pitch " << s[3];
  }
}

}  // namespace
