// effects_picture.cpp - where drawPicture puts the picture for known tick and
// swing values, what it leaves alone, and what the compiled-in image must be
// like for those comparisons to mean anything.
#include "assets/assets.h"
#include "effects_util.h"

namespace {

constexpr uint8_t kFill[3] = {7, 9, 11};  // a canvas colour to recognise untouched pixels by

const uint8_t* source(int i) { return picture.pixels + 3 * i; }
const uint8_t* source(int column, int row) { return source(row * picture.width + column); }
bool isKey(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 0; }

using Picture = EffectTest;

// After one call that puts the top row on canvas row y0, the canvas holds every
// non-key pixel of the rows that land on 3..477 at column 450, and kFill elsewhere.
TEST_F(Picture, TopRowFollowsTickAndSwing) {
  const struct {
    int32_t tick;
    double swing;
    int y0;
  } cases[] = {
      {0, 2.0, 243},  // the first frame of the script: the last row is cut
      {0, 1.0, 242},  // all 236 rows fit, the last on row 477
      {75, 71.0, 250},    {150, 71.0, 168},
      {150, -71.0, 310},  {0, -300.0, -58},  // -58.86 truncates toward zero; the top rows are cut
      {10, 1.0e12, 1000},                    // far off: nothing is drawn
  };
  std::vector<uint8_t> blank(kCanvasBytes);
  for (int i = 0; i < kCanvasPixels; ++i) std::memcpy(blank.data() + 3 * i, kFill, 3);
  for (const auto& c : cases) {
    std::vector<uint8_t> want = blank;
    for (int r = 0; r < picture.height; ++r)
      for (int j = 0, y = c.y0 + r; j < picture.width; ++j)
        if (y >= 3 && y <= 477 && !isKey(source(j, r)))
          std::memcpy(want.data() + canvasOffset(450 + j, y), source(j, r), 3);
    std::memcpy(canvas, blank.data(), kCanvasBytes);
    demoState.tick = c.tick;
    demoState.swing = c.swing;
    drawPicture();
    EXPECT_EQ(0, std::memcmp(want.data(), canvas, kCanvasBytes))
        << "tick " << c.tick << " swing " << c.swing;
    EXPECT_EQ(demoState.tick, c.tick + 1);
  }
}

// The comparisons above prove placement and orientation only if the image has
// opaque rows near both ends and is not its own mirror image; the key colour
// must surround it and leave no specks inside (gaps between ropes are meant).
TEST(PictureAsset, ImageCanRevealPlacementAndHasNoKeySpecks) {
  const int w = picture.width;
  const int h = picture.height;
  ASSERT_EQ(w, 178);
  ASSERT_EQ(h, 236);
  for (int corner : {0, w - 1, w * (h - 1), w * h - 1})
    EXPECT_TRUE(isKey(source(corner))) << corner;
  int firstOpaqueRow = -1, lastOpaqueRow = -1, opaque = 0, mirrorDiffs = 0, flipDiffs = 0;
  for (int r = 0; r < h; ++r)
    for (int j = 0; j < w; ++j) {
      if (!isKey(source(j, r))) {
        if (firstOpaqueRow < 0) firstOpaqueRow = r;
        lastOpaqueRow = r;
        ++opaque;
      }
      mirrorDiffs += std::memcmp(source(j, r), source(w - 1 - j, r), 3) != 0;
      flipDiffs += std::memcmp(source(j, r), source(j, h - 1 - r), 3) != 0;
    }
  EXPECT_TRUE(firstOpaqueRow >= 0 && firstOpaqueRow < 10 && lastOpaqueRow > h - 10)
      << firstOpaqueRow << " " << lastOpaqueRow;
  EXPECT_TRUE(opaque > w * h / 3 && opaque < w * h * 9 / 10) << opaque;
  EXPECT_GT(mirrorDiffs, 1000);
  EXPECT_GT(flipDiffs, 1000);

  // Flood-fill each key region: it must touch the border or be large enough to
  // be meant. Stepping by +-1 links row ends only between border pixels.
  std::vector<bool> seen(w * h);
  for (int start = 0; start < w * h; ++start) {
    if (seen[start] || !isKey(source(start))) continue;
    std::vector<int> todo{start};
    seen[start] = true;
    int size = 0;
    bool border = false;
    while (!todo.empty()) {
      const int i = todo.back();
      todo.pop_back();
      ++size;
      border = border || i % w == 0 || i % w == w - 1 || i < w || i >= w * (h - 1);
      for (int n : {i - 1, i + 1, i - w, i + w})
        if (n >= 0 && n < w * h && !seen[n] && isKey(source(n))) {
          seen[n] = true;
          todo.push_back(n);
        }
    }
    EXPECT_TRUE(border || size >= 20)
        << "a key-coloured speck of " << size << " pixels at " << start % w << "," << start / w;
  }
}

}  // namespace
