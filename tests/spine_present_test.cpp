// presentCanvas: colours land as the surface's format says, rows at the
// surface's own pitch, and nothing is written outside the surface.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effects/canvas.h"
#include "host/present.h"
#include "support/test_screen.h"

namespace {

constexpr Uint8 kSentinel = 0xA5;

struct SurfaceBuffer {
  std::vector<Uint8> bytes;
  SDL_Surface* surface = nullptr;
  SurfaceBuffer(int width, int height, int depth, int pitch)
      : bytes(size_t(pitch) * height + 64, kSentinel) {
    const Uint32 r = depth == 32 ? 0x00FF0000 : 0xF800;
    const Uint32 g = depth == 32 ? 0x0000FF00 : 0x07E0;
    const Uint32 b = depth == 32 ? 0x000000FF : 0x001F;
    surface = SDL_CreateRGBSurfaceFrom(bytes.data(), width, height, depth, pitch, r, g, b, 0);
  }
  ~SurfaceBuffer() { SDL_FreeSurface(surface); }
  Uint32 word(int x, int y) const {
    Uint32 value;
    std::memcpy(&value, bytes.data() + ((size_t(y) * surface->pitch) & ~size_t{3}) + x * 4, 4);
    return value;
  }
  bool untouchedFrom(size_t start, size_t end) const {
    for (size_t i = start; i < end; ++i) {
      if (bytes[i] != kSentinel) return false;
    }
    return true;
  }
};

class Present : public ::testing::Test {
 protected:
  void SetUp() override {
    testScreen();
    std::memset(canvas, 0, sizeof canvas);
  }
};

TEST_F(Present, ScreenShowsBlackAndPureRed) {
  SDL_Surface* screen = testScreen();
  canvas[canvasOffset(5, 7)] = 255;  // red byte only
  presentCanvas(screen);
  const auto* pixels = static_cast<const Uint32*>(screen->pixels);
  const int wordsPerRow = screen->pitch / 4;
  EXPECT_EQ(pixels[7 * wordsPerRow + 5], SDL_MapRGB(screen->format, 255, 0, 0));
  EXPECT_EQ(pixels[7 * wordsPerRow + 5] & screen->format->Rmask, screen->format->Rmask);
  EXPECT_EQ(pixels[0], SDL_MapRGB(screen->format, 0, 0, 0));
  EXPECT_EQ(pixels[479 * wordsPerRow + 639], SDL_MapRGB(screen->format, 0, 0, 0));
}

TEST_F(Present, EveryChannelKeepsItsOrder) {
  SurfaceBuffer target(640, 480, 32, 2560);
  canvas[canvasOffset(639, 479) + 0] = 0x12;
  canvas[canvasOffset(639, 479) + 1] = 0x34;
  canvas[canvasOffset(639, 479) + 2] = 0x56;
  presentCanvas(target.surface);
  EXPECT_EQ(target.word(639, 479), 0x00123456u);
}

TEST_F(Present, WidePitchGetsEachRowAtItsOwnPitchAndKeepsThePadding) {
  const int pitch = 2600;
  SurfaceBuffer target(640, 480, 32, pitch);
  for (int y = 0; y < 480; ++y) canvas[canvasOffset(0, y) + 1] = static_cast<uint8_t>(y);
  presentCanvas(target.surface);
  for (int y = 0; y < 480; ++y) {
    ASSERT_EQ(target.word(0, y), Uint32(y & 0xFF) << 8) << y;
    ASSERT_TRUE(target.untouchedFrom(size_t(y) * pitch + 2560, size_t(y + 1) * pitch)) << y;
  }
  EXPECT_TRUE(target.untouchedFrom(size_t(480) * pitch, target.bytes.size()));
}

TEST_F(Present, PitchThatIsNoMultipleOfFourStartsRowsOnWholeWords) {
  const int pitch = 2562;
  SurfaceBuffer target(640, 480, 32, pitch);
  canvas[canvasOffset(0, 3) + 2] = 0x77;
  presentCanvas(target.surface);
  EXPECT_EQ(target.word(0, 3), 0x77u);  // at (3 * 2562) & ~3 = 7684
  EXPECT_TRUE(target.untouchedFrom(size_t(480) * pitch, target.bytes.size()));
}

TEST_F(Present, SurfacesThatCannotHoldTheCanvasAreLeftAlone) {
  std::memset(canvas, 200, sizeof canvas);
  SurfaceBuffer shallow(640, 480, 16, 1280);
  presentCanvas(shallow.surface);
  EXPECT_TRUE(shallow.untouchedFrom(0, shallow.bytes.size()));

  SurfaceBuffer small(320, 240, 32, 1280);
  presentCanvas(small.surface);
  EXPECT_TRUE(small.untouchedFrom(0, small.bytes.size()));
}

}  // namespace

namespace {

// The presentation maps pixels itself for speed; it must agree with
// SDL_MapRGB for every level of every channel, in any channel order.
TEST_F(Present, MapsEveryLevelAsSdlDoes) {
  struct Masks {
    Uint32 r, g, b, a;
  };
  for (const Masks m :
       {Masks{0x00FF0000, 0x0000FF00, 0x000000FF, 0}, Masks{0x000000FF, 0x0000FF00, 0x00FF0000, 0},
        Masks{0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}}) {
    SurfaceBuffer target(640, 480, 32, 2560);
    SDL_FreeSurface(target.surface);
    target.surface =
        SDL_CreateRGBSurfaceFrom(target.bytes.data(), 640, 480, 32, 2560, m.r, m.g, m.b, m.a);
    for (int i = 0; i < 640 * 480; ++i) {
      canvas[3 * i + 0] = static_cast<uint8_t>(i);
      canvas[3 * i + 1] = static_cast<uint8_t>(i >> 8);
      canvas[3 * i + 2] = static_cast<uint8_t>(i * 7 + 3);
    }
    presentCanvas(target.surface);
    for (int i = 0; i < 640 * 480; ++i) {
      const Uint32 expected =
          SDL_MapRGB(target.surface->format, canvas[3 * i], canvas[3 * i + 1], canvas[3 * i + 2]);
      ASSERT_EQ(target.word(i % 640, i / 640), expected) << i << " masks " << std::hex << m.r;
    }
  }
}

}  // namespace
