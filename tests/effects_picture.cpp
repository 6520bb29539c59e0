// effects_picture.cpp - the picture: where drawPicture puts it for known tick
// and swing values, what it leaves alone, and what the compiled-in image must
// be like (its size, and the key colour only where the background shows).
#include "assets/assets.h"
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/demo_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kFill[3] = {7, 9, 11};  // a canvas colour to recognise untouched pixels by

void fillCanvas() {
  for (int i = 0; i < kCanvasPixels; ++i) std::memcpy(canvas + 3 * i, kFill, 3);
}

const uint8_t* picturePixel(int column, int row) { return picture.pixels + (row * picture.width + column) * 3; }

bool isKey(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 0; }

// The canvas as it must be after one call that put the picture's top row on
// canvas row y0: every opaque pixel of rows 3..477 copied, all else untouched.
std::vector<uint8_t> expectedCanvas(int y0) {
  std::vector<uint8_t> want(kCanvasBytes);
  for (int i = 0; i < kCanvasPixels; ++i) std::memcpy(want.data() + 3 * i, kFill, 3);
  for (int r = 0; r < picture.height; ++r) {
    const int y = y0 + r;
    if (y < 3 || y > 477) continue;
    for (int j = 0; j < picture.width; ++j) {
      const uint8_t* p = picturePixel(j, r);
      if (!isKey(p)) std::memcpy(want.data() + canvasOffset(450 + j, y), p, 3);
    }
  }
  return want;
}

class Picture : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDemoState();
    fillCanvas();
  }

  // Draws with the given tick and swing and checks the whole canvas against
  // the picture placed at y0.
  void expectTopRow(int32_t tick, double swing, int y0) {
    fillCanvas();
    demoState.tick = tick;
    demoState.swing = swing;
    drawPicture();
    const std::vector<uint8_t> want = expectedCanvas(y0);
    EXPECT_EQ(0, std::memcmp(want.data(), canvas, kCanvasBytes)) << "tick " << tick << " swing " << swing;
    EXPECT_EQ(demoState.tick, tick + 1);
  }
};

TEST_F(Picture, TopRowFollowsTickAndSwing) {
  expectTopRow(0, 2.0, 243);  // the first frame of the script: the last row is cut
  expectTopRow(0, 1.0, 242);  // all 236 rows fit, the last on row 477
  expectTopRow(75, 71.0, 250);
  expectTopRow(150, 71.0, 168);
  expectTopRow(150, -71.0, 310);
}

// The whole-canvas comparisons above only prove placement and orientation
// if the image has opaque rows near both ends and is not its own mirror
// image; a placeholder of all key colour would pass them vacuously.
TEST_F(Picture, ImageCanRevealPlacementAndOrientation) {
  int firstOpaqueRow = -1;
  int lastOpaqueRow = -1;
  for (int r = 0; r < picture.height; ++r)
    for (int j = 0; j < picture.width; ++j)
      if (!isKey(picturePixel(j, r))) {
        if (firstOpaqueRow < 0) firstOpaqueRow = r;
        lastOpaqueRow = r;
      }
  EXPECT_GE(firstOpaqueRow, 0);
  EXPECT_LT(firstOpaqueRow, 10);
  EXPECT_GT(lastOpaqueRow, picture.height - 10);

  int leftRightDifferences = 0;
  int topBottomDifferences = 0;
  for (int r = 0; r < picture.height; ++r)
    for (int j = 0; j < picture.width; ++j) {
      if (std::memcmp(picturePixel(j, r), picturePixel(picture.width - 1 - j, r), 3) != 0) ++leftRightDifferences;
      if (std::memcmp(picturePixel(j, r), picturePixel(j, picture.height - 1 - r), 3) != 0) ++topBottomDifferences;
    }
  EXPECT_GT(leftRightDifferences, 1000);
  EXPECT_GT(topBottomDifferences, 1000);
}

TEST_F(Picture, TickAdvancesEvenWhenNothingIsDrawn) {
  demoState.tick = 10;
  demoState.swing = 1.0e12;
  drawPicture();
  EXPECT_EQ(demoState.tick, 11);
  for (int i = 0; i < kCanvasPixels; ++i) ASSERT_EQ(0, std::memcmp(canvas + 3 * i, kFill, 3));
  demoState.tick = INT32_MAX;
  demoState.swing = 1.0;
  drawPicture();
  EXPECT_EQ(demoState.tick, INT32_MIN);
}

// The image itself: the record's sizes, the key colour round the outside,
// and no stray key pixels inside the balloon. Key pixels either reach the
// image border or form a gap large enough to be meant (between ropes).
TEST(PictureAsset, SizeAndTransparency) {
  ASSERT_EQ(picture.width, 178);
  ASSERT_EQ(picture.height, 236);
  const int w = picture.width;
  const int h = picture.height;
  EXPECT_TRUE(isKey(picturePixel(0, 0)));
  EXPECT_TRUE(isKey(picturePixel(w - 1, 0)));
  EXPECT_TRUE(isKey(picturePixel(0, h - 1)));
  EXPECT_TRUE(isKey(picturePixel(w - 1, h - 1)));

  int opaque = 0;
  for (int i = 0; i < w * h; ++i)
    if (!isKey(picture.pixels + 3 * i)) ++opaque;
  EXPECT_GT(opaque, w * h / 3);
  EXPECT_LT(opaque, w * h * 9 / 10);

  // Flood-fill each key region; record its size and whether it touches the border.
  std::vector<int> region(w * h, -1);
  std::vector<int> stack;
  int regions = 0;
  for (int start = 0; start < w * h; ++start) {
    if (region[start] >= 0 || !isKey(picture.pixels + 3 * start)) continue;
    int size = 0;
    bool border = false;
    stack.push_back(start);
    region[start] = regions;
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      ++size;
      const int x = i % w;
      const int y = i / w;
      if (x == 0 || y == 0 || x == w - 1 || y == h - 1) border = true;
      const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (auto [nx, ny] : next) {
        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
        const int n = ny * w + nx;
        if (region[n] < 0 && isKey(picture.pixels + 3 * n)) {
          region[n] = regions;
          stack.push_back(n);
        }
      }
    }
    EXPECT_TRUE(border || size >= 20) << "a key-coloured speck of " << size << " pixels at " << start % w << ","
                                      << start / w;
    ++regions;
  }
}

}  // namespace
