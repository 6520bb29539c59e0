// effects_picture.cpp - drawPicture at the window's edges and with near
// misses of the key colour, neither of which the committed picture can show
// (it ends at column 627 and holds no colour close to the key), so it draws
// a picture of its own.
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "effects/effects_testing.h"
#include "effects_util.h"

namespace {

// 190 columns, so the window's right edge cuts the last two; every pixel
// tells its row and column apart; row 0 starts with the key and three near
// misses of it.
constexpr int kWidth = 190, kHeight = 220;

constexpr Picture testPicture() {
  Picture p{kWidth, kHeight, {}};
  for (int i = 0; i < kWidth * kHeight; ++i) {
    p.pixels[3 * i] = static_cast<uint8_t>(i / kWidth);
    p.pixels[3 * i + 1] = static_cast<uint8_t>(i % kWidth);
    p.pixels[3 * i + 2] = 7;
  }
  const uint8_t keyAndNearMisses[] = {255, 0, 0, 255, 0, 1, 255, 1, 0, 254, 0, 0};
  for (int i = 0; i < 12; ++i) p.pixels[i] = keyAndNearMisses[i];
  return p;
}

const Picture kPicture = testPicture();

using DrawPicture = EffectTest;

// After one call that puts the top row on canvas row y0, the canvas holds
// every pixel but the exact key of the rows and columns that land on the
// window, from column 450, and the fill elsewhere.
TEST_F(DrawPicture, CutAtTheWindowAndKeyedByItsExactColour) {
  // At tick 0 the top row is on the truncation of swing + 241.14.
  const std::pair<double, int> cases[] = {
      {17.0, 258},     // the last row on 477
      {18.0, 259},     // the last row cut
      {-238.0, 3},     // the first row on 3
      {-239.0, 2},     // the first row cut
      {-300.0, -58},   // -58.86 truncated toward zero
      {1.0e12, 1000},  // far off: nothing drawn
  };
  for (const auto& [swing, y0] : cases) {
    std::memset(canvas, 9, sizeof canvas);
    std::vector<uint8_t> want(canvas, canvas + kCanvasBytes);
    for (int r = 0; r < kHeight; ++r)
      for (int j = 0, y = y0 + r; j < kWidth && 450 + j <= 637; ++j) {
        const uint8_t* source = kPicture.pixels + 3 * (r * kWidth + j);
        if (y >= 3 && y <= 477 && std::memcmp(source, kColourKey, 3) != 0)
          std::memcpy(&want[canvasOffset(450 + j, y)], source, 3);
      }
    demoState.tick = 0;
    demoState.swing = swing;
    drawPictureFrom(kPicture);
    EXPECT_EQ(0, std::memcmp(want.data(), canvas, kCanvasBytes)) << "top row on " << y0;
  }
}

}  // namespace
