// text_draw_test.cpp - drawText where the script's lines never take it (those
// are pinned pixel for pixel by the whole runs): codes without a glyph, the
// line's limit, near misses of the key colour, the canvas edges and positions
// far off it.
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "effects/effects_testing.h"
#include "effects_util.h"

namespace {

// drawText on the bytes of `s` followed by the end byte.
bool draw(std::string s, int32_t x, int32_t y, int32_t limit = 640) {
  s += '\xFF';
  return drawText(reinterpret_cast<const uint8_t*>(s.data()), x, y, limit);
}

// The first and last canvas column of each run of columns holding any ink.
using Runs = std::vector<std::pair<int, int>>;
Runs inkRuns() {
  Runs runs;
  for (int x = 0; x < kCanvasWidth; ++x) {
    bool ink = false;
    for (int y = 0; y < kCanvasHeight && !ink; ++y)
      ink = std::memcmp(pixel(x, y), "\0\0\0", 3) != 0;
    if (ink && !runs.empty() && runs.back().second == x - 1)
      runs.back().second = x;
    else if (ink)
      runs.push_back({x, x});
  }
  return runs;
}

const int kWidthI = glyphEdges['I' - 31] - glyphEdges['I' - 32];

using DrawText = EffectTest;

// A code without a glyph moves the pen by the gap alone, the space by 10
// more: control codes, the zero byte, '{' to DEL past 'z', and Latin-1 codes
// other than the six letters.
TEST_F(DrawText, CodesWithoutAGlyphAdvanceByTheGap) {
  for (const int code : {0x20, 0x00, 0x1F, 0x7B, 0x7E, 0x7F, 0x80, 0xA0, 0xD8, 0xE6, 0xFE}) {
    std::memset(canvas, 0, sizeof canvas);
    EXPECT_FALSE(draw(std::string("I") + char(code) + "I", 40, 10)) << code;
    const int second = 40 + kWidthI + 8 + (code == 0x20 ? 10 : 0);
    EXPECT_EQ(inkRuns(), (Runs{{40, 39 + kWidthI}, {second, second + kWidthI - 1}})) << code;
  }
}

TEST_F(DrawText, LimitIsTestedAfterEachCharacter) {
  const int step = kWidthI + 4;  // the pen after one 'I'
  const struct {
    std::string text;
    int32_t limit;
    bool stopped;
    size_t glyphsDrawn;
  } cases[] = {
      {"II", 2 * step, false, 2},  // the pen ends on the limit
      {"II", step, true, 2},       // on it after the first, past it after the second
      {"II", step - 1, true, 1},   // the crossing character is drawn, the rest not
      {"I", step - 1, true, 1},    // crossing on the last still reports it
      {"II", -5, true, 1},
      {std::string(1, '\0') + "I", 3, true, 0},  // a glyphless code crosses too
  };
  for (const auto& c : cases) {
    std::memset(canvas, 0, sizeof canvas);
    EXPECT_EQ(draw(c.text, 0, 0, c.limit), c.stopped) << c.text << " " << c.limit;
    EXPECT_EQ(inkRuns().size(), c.glyphsDrawn) << c.text << " " << c.limit;
  }
}

TEST_F(DrawText, OnlyTheExactKeyColourIsTransparent) {
  // A strip of key colour with near misses in the first column of '!', rows 0 to 5.
  std::vector<uint8_t> strip(size_t(kFontStripWidth) * kFontHeight * 3);
  for (size_t i = 0; i < strip.size(); i += 3) std::memcpy(&strip[i], kColourKey, 3);
  const uint8_t probes[][3] = {{255, 0, 0}, {254, 0, 0}, {255, 0, 1},
                               {255, 1, 0}, {0, 0, 0},   {12, 34, 56}};
  for (int r = 0; r < 6; ++r) std::memcpy(&strip[size_t(r) * kFontStripWidth * 3], probes[r], 3);
  std::memset(canvas, 9, sizeof canvas);
  drawTextFromStrip(strip.data(), reinterpret_cast<const uint8_t*>("!\xFF"), 5, 7, 640);
  int changed = 0;  // only the probes of rows 1 to 5 were drawn
  for (uint8_t b : canvas) changed += b != 9;
  EXPECT_EQ(changed, 5 * 3);
  for (int r = 1; r < 6; ++r) EXPECT_EQ(std::memcmp(pixel(5, 7 + r), probes[r], 3), 0) << r;
}

// Drawn partly off the canvas, text shows exactly the visible part of the
// same text drawn whole, and nothing else: no row wraps into its neighbour,
// nothing lands before or after the canvas.
TEST_F(DrawText, CutsAtEveryCanvasEdge) {
  const std::string sample = "Wg@|\xC5";
  draw(sample, 200, 200);
  const std::vector<uint8_t> whole(canvas, canvas + kCanvasBytes);
  const std::pair<int, int> spots[] = {{-13, -20},  {-60, 100}, {600, 460}, {630, 0},  {639, 479},
                                       {-100, -47}, {300, -47}, {300, 479}, {-90, 440}};
  for (auto [x, y] : spots) {
    std::memset(canvas, 0, sizeof canvas);
    draw(sample, x, y);
    for (int r = 0; r < kCanvasHeight; ++r)
      for (int c = 0; c < kCanvasWidth; ++c) {
        const int wc = c - x + 200, wr = r - y + 200;
        const bool shown = wc >= 0 && wc < kCanvasWidth && wr >= 0 && wr < kCanvasHeight;
        const uint8_t black[3] = {};
        const uint8_t* want = shown ? &whole[canvasOffset(wc, wr)] : black;
        ASSERT_EQ(std::memcmp(pixel(c, r), want, 3), 0)
            << "drawn at (" << x << ", " << y << "), pixel (" << c << ", " << r << ")";
      }
  }
}

// A line about 11,500 pixels long at columns from which none of it reaches
// the canvas, or at rows whose 48-row cells miss it; the pen never overflows.
TEST_F(DrawText, FarOffTextWritesNothing) {
  EXPECT_FALSE(draw("", 10, 10));
  const std::string text = std::string(300, 'W') + "\xC4g";
  const int32_t xs[] = {0, 200, 432, INT32_MIN, INT32_MIN + 1, -100000, 640, 100000, INT32_MAX};
  const int32_t ys[] = {0, 200, 432, INT32_MIN, -100000, -48, 480, 100000, INT32_MAX};
  for (size_t i = 0; i < std::size(xs); ++i)  // the first three of each are on the canvas
    for (size_t j = i < 3 ? 3 : 0; j < std::size(ys); ++j)
      EXPECT_FALSE(draw(text, xs[i], ys[j], INT32_MAX)) << xs[i] << " " << ys[j];
  for (uint8_t b : canvas) ASSERT_EQ(b, 0);
}

}  // namespace
