// text_draw_test.cpp - drawText: where characters land, what stops a line,
// what counts as ink, and that no call writes outside the canvas. Positions
// are read back from the canvas (which columns hold ink), which also checks
// that every glyph of the strip fills its columns.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/script_texts.h"

bool drawTextFromStrip(const uint8_t* strip, const uint8_t* text, int32_t x, int32_t y, int32_t limit);

namespace {

constexpr uint8_t kBlack[3] = {0, 0, 0};
using InkRun = std::pair<int, int>;  // first and last canvas column of a run of ink
using Runs = std::vector<InkRun>;

// drawText on the bytes of `s` followed by the end byte.
bool draw(std::string s, int32_t x, int32_t y, int32_t limit = 640, const uint8_t* strip = nullptr) {
  s += '\xFF';
  const auto* text = reinterpret_cast<const uint8_t*>(s.data());
  return strip ? drawTextFromStrip(strip, text, x, y, limit) : drawText(text, x, y, limit);
}

void fillCanvas(uint8_t value) { std::memset(canvas, value, sizeof canvas); }
bool pixelIsBlack(int x, int y) { return std::memcmp(canvas + canvasOffset(x, y), kBlack, 3) == 0; }

// Runs of canvas columns that hold any non-black pixel, over all rows.
Runs inkRuns() {
  Runs runs;
  for (int x = 0; x < kCanvasWidth; ++x) {
    bool ink = false;
    for (int y = 0; y < kCanvasHeight && !ink; ++y) ink = !pixelIsBlack(x, y);
    if (!ink) continue;
    if (!runs.empty() && runs.back().second == x - 1)
      runs.back().second = x;
    else
      runs.push_back({x, x});
  }
  return runs;
}

int glyphWidth(char c) { return glyphEdges[c - 31] - glyphEdges[c - 32]; }

class DrawText : public ::testing::Test {
 protected:
  void SetUp() override { fillCanvas(0); }
};

TEST_F(DrawText, PlacesMoreExampleInItsCell) {
  EXPECT_FALSE(draw("More:", 150, 100));
  EXPECT_EQ(inkRuns(), (Runs{{150, 176}, {181, 201}, {206, 219}, {224, 243}, {248, 254}}));
  for (int x = 150; x < 255; ++x) EXPECT_TRUE(pixelIsBlack(x, 99) && pixelIsBlack(x, 148)) << x;
}

TEST_F(DrawText, SpaceAdvancesFourteenAndCodesWithoutGlyphFour) {
  const int x = 40, w = glyphWidth('I');
  draw("I I", x, 10);
  EXPECT_EQ(inkRuns(), (Runs{{x, x + w - 1}, {x + w + 18, x + 2 * w + 17}}));
  // Control codes, the zero byte, '{' to '~' and DEL past 'z', and Latin-1 codes
  // outside the six letters (0xD8's table entry holds a strip column, yet
  // must not be looked up).
  for (const int code : {0x00, 0x01, 0x1F, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F, 0x80, 0xA0, 0xD8, 0xE6, 0xFE}) {
    fillCanvas(0);
    EXPECT_FALSE(draw(std::string("I") + char(code) + "I", x, 10)) << code;
    EXPECT_EQ(inkRuns(), (Runs{{x, x + w - 1}, {x + w + 8, x + 2 * w + 7}})) << code;
  }
}

TEST_F(DrawText, LimitIsTestedAfterEachCharacter) {
  const int step = glyphWidth('I') + 4;  // pen after one 'I'
  struct Case {
    const char* text;
    int32_t limit;
    bool stopped;
    size_t glyphsDrawn;
  };
  for (const Case c : {Case{"II", 2 * step, false, 2},  // pen equal to the limit at the end
                       Case{"II", step, true, 2},       // equal after the first, the second crosses
                       Case{"II", step - 1, true, 1},   // crossing character drawn, rest not
                       Case{"I", step - 1, true, 1},    // crossing on the last still reports it
                       Case{"II", -5, true, 1}}) {
    fillCanvas(0);
    EXPECT_EQ(draw(c.text, 0, 0, c.limit), c.stopped) << c.text << " " << c.limit;
    EXPECT_EQ(inkRuns().size(), c.glyphsDrawn) << c.text << " " << c.limit;
  }
  EXPECT_TRUE(draw(std::string(1, '\0') + "I", 0, 0, 3));  // a glyphless code advances too
}

TEST_F(DrawText, OnlyTheExactKeyColourIsTransparent) {
  // A strip of key colour with near misses in the first column of '!', rows 0 to 5.
  std::vector<uint8_t> strip(size_t(kFontStripWidth) * kFontHeight * 3);
  for (size_t i = 0; i < strip.size(); i += 3) std::memcpy(&strip[i], kColourKey, 3);
  const uint8_t probes[][3] = {{255, 0, 0}, {254, 0, 0}, {255, 0, 1}, {255, 1, 0}, {0, 0, 0}, {12, 34, 56}};
  for (int r = 0; r < 6; ++r) std::memcpy(&strip[size_t(r) * kFontStripWidth * 3], probes[r], 3);
  fillCanvas(9);
  draw("!", 5, 7, 640, strip.data());
  const uint8_t background[3] = {9, 9, 9};
  for (int r = 0; r < 6; ++r)
    EXPECT_EQ(std::memcmp(canvas + canvasOffset(5, 7 + r), r == 0 ? background : probes[r], 3), 0) << r;
  int changed = 0;  // only the probes of rows 1 to 5 were drawn
  for (uint8_t b : canvas) changed += b != 9;
  EXPECT_EQ(changed, 5 * 3);
}

// Every glyph, between two 'I's: its ink fills exactly its cell, four blank
// columns separate it from each neighbour, and its pixels are the strip's
// own. For the six letters after 'z' this also checks that the renderer's
// lookup agrees with the columns the strip was made with.
TEST_F(DrawText, EveryGlyphFillsItsCellWithFourBlankColumnsEachSide) {
  const int x = 100, y = 200, widthI = glyphWidth('I');
  std::string codes;
  for (int c = 33; c <= 122; ++c) codes += char(c);
  codes += "\xC5\xC4\xD6\xE5\xE4\xF6";
  int extraColumn = glyphEdges[91];  // the six letters tile the strip from the end of 'z'
  for (char code : codes) {
    const int id = uint8_t(code);
    fillCanvas(0);
    EXPECT_FALSE(draw(std::string("I") + code + "I", x, y));
    const Runs runs = inkRuns();  // a glyph may leave inner columns blank ('"'): look at the ends
    ASSERT_GE(runs.size(), 3u) << id;
    EXPECT_EQ(runs.front(), InkRun(x, x + widthI - 1)) << id;
    const int first = x + widthI + 4, last = runs.back().first - 5, width = last - first + 1;
    EXPECT_EQ(runs[1].first, first) << id;
    EXPECT_EQ(runs[runs.size() - 2].second, last) << id;
    if (id <= 122) { EXPECT_EQ(width, glyphWidth(code)) << id; }
    const int stripColumn = id > 122 ? extraColumn : glyphEdges[id - 32];
    for (int r = 0; r < kFontHeight; ++r)
      for (int i = 0; i < width; ++i) {
        const uint8_t* s = fontStrip + (size_t(r) * kFontStripWidth + stripColumn + i) * 3;
        const bool ink = std::memcmp(s, kColourKey, 3) != 0;
        ASSERT_EQ(std::memcmp(canvas + canvasOffset(first + i, y + r), ink ? s : kBlack, 3), 0)
            << "glyph " << id << " row " << r << " column " << i;
      }
    if (id > 122) extraColumn += width;
  }
  EXPECT_EQ(extraColumn, kFontStripWidth);  // the six letters fill the strip to its end
}

TEST_F(DrawText, ScriptLinesStayOnTheCanvas) {
  for (const ScriptLine* line : {kScene0Text, kScene1Text, kScene2Text, kScene3Text, kScene4Text})
    for (; line->text; ++line) {
      fillCanvas(0);
      // Its last glyph ends on the canvas (the pen counts a 4-column gap after it).
      EXPECT_FALSE(drawText(line->text, line->x, line->y, kCanvasWidth + 4 - line->x)) << line->x << " " << line->y;
      EXPECT_FALSE(inkRuns().empty());
      EXPECT_TRUE(line->x >= 0 && line->y >= 0 && line->y + kFontHeight <= kCanvasHeight);
    }
  // The widest line ends its last glyph at 634 with the pen at 619.
  fillCanvas(0);
  EXPECT_FALSE(draw("Also to the other sceners that", 20, 240, 619));
  EXPECT_EQ(inkRuns().back().second, 634);
  EXPECT_TRUE(draw("Also to the other sceners that", 20, 240, 618));
}

// Drawing partly or wholly off the canvas gives exactly the visible part of
// the same text drawn whole, and nothing else: no row wraps into its
// neighbour, nothing lands before or after the canvas.
TEST_F(DrawText, CutsAtEveryCanvasEdge) {
  const std::string sample = "Wg@|\xC5";
  const int refX = 200, refY = 200;
  draw(sample, refX, refY);
  const std::vector<uint8_t> reference(canvas, canvas + kCanvasBytes);
  const std::pair<int, int> spots[] = {{-13, -20}, {-60, 100}, {600, 460},  {630, 0},  {639, 479},
                                       {-100, -47}, {300, -47}, {300, 479}, {-90, 440}};
  for (auto [x, y] : spots) {
    fillCanvas(0);
    draw(sample, x, y);
    for (int r = 0; r < kCanvasHeight; ++r)
      for (int c = 0; c < kCanvasWidth; ++c) {
        const int rc = c - x + refX, rr = r - y + refY;
        const bool inside = rc >= 0 && rc < kCanvasWidth && rr >= 0 && rr < kCanvasHeight;
        const uint8_t* want = inside ? &reference[size_t(canvasOffset(rc, rr))] : kBlack;
        ASSERT_EQ(std::memcmp(canvas + canvasOffset(c, r), want, 3), 0)
            << "drawn at (" << x << ", " << y << "), pixel (" << c << ", " << r << ")";
      }
  }
}

TEST_F(DrawText, EmptyOrFarOffTextWritesNothing) {
  EXPECT_FALSE(draw("", 10, 10));
  // The line is about 11,500 pixels long: columns from which none of it
  // reaches the canvas, and rows whose 48-row cells miss it.
  const std::string text = std::string(300, 'W') + "\xC4g";
  const int32_t xs[] = {0, 200, 432, INT32_MIN, INT32_MIN + 1, -100000, 640, 100000, INT32_MAX - 1, INT32_MAX};
  const int32_t ys[] = {0, 200, 432, INT32_MIN, INT32_MIN + 1, -100000, -48, 480, 100000, INT32_MAX - 1, INT32_MAX};
  for (size_t i = 0; i < std::size(xs); ++i)  // the first three of each are on the canvas
    for (size_t j = i < 3 ? 3 : 0; j < std::size(ys); ++j)
      EXPECT_FALSE(draw(text, xs[i], ys[j], INT32_MAX)) << xs[i] << " " << ys[j];
  for (uint8_t b : canvas) ASSERT_EQ(b, 0);
}

}  // namespace
