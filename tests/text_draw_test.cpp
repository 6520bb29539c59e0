// text_draw_test.cpp - drawText: where characters land, what stops a line,
// what counts as ink, and that no call writes outside the canvas. Positions
// are read back from the canvas (which columns hold ink), so the tests hold
// for any font strip whose glyphs fill their columns.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/assets.h"
#include "effects/canvas.h"
#include "effects/effects.h"
#include "scenes/script_texts.h"

bool drawTextFromStrip(const uint8_t* strip, const uint8_t* text, int32_t x, int32_t y, int32_t limit);

namespace {

// A text as drawText wants it: the bytes of `s` followed by the end byte.
struct Text {
  std::string bytes;
  explicit Text(std::string s) : bytes(std::move(s) + '\xFF') {}
  const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(bytes.data()); }
};

constexpr uint8_t kBlack[3] = {0, 0, 0};

using InkRun = std::pair<int, int>;  // first and last canvas column of a run of ink

void fillCanvas(uint8_t value) { std::memset(canvas, value, sizeof canvas); }

bool pixelIsBlack(int x, int y) {
  const uint8_t* p = canvas + canvasOffset(x, y);
  return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

// Runs of canvas columns that hold any non-black pixel, over all rows.
std::vector<InkRun> inkRuns() {
  std::vector<InkRun> runs;
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

TEST_F(DrawText, PlacesMoreExampleAndStopsOnlyPastTheLimit) {
  const Text more("More:");
  EXPECT_FALSE(drawText(more.data(), 150, 100, 640));
  const std::vector<InkRun> expected = {{150, 176}, {181, 201}, {206, 219}, {224, 243}, {248, 254}};
  EXPECT_EQ(inkRuns(), expected);
  // Nothing above or below the 48-row cell.
  for (int x = 150; x < 255; ++x) {
    EXPECT_TRUE(pixelIsBlack(x, 99));
    EXPECT_TRUE(pixelIsBlack(x, 148));
  }
  // The pen ends at 109: a limit equal to it lets the text finish, one less stops it.
  EXPECT_FALSE(drawText(more.data(), 150, 100, 109));
  EXPECT_TRUE(drawText(more.data(), 150, 100, 108));
}

TEST_F(DrawText, EndByteAloneDrawsNothing) {
  fillCanvas(7);
  const uint8_t end[] = {0xFF};
  EXPECT_FALSE(drawText(end, 10, 10, 640));
  for (uint8_t b : canvas) ASSERT_EQ(b, 7);
}

TEST_F(DrawText, SpaceAdvancesFourteenAndCodesWithoutGlyphFour) {
  const int x = 40;
  const int widthI = glyphWidth('I');
  drawText(Text("  C").data(), x, 10, 640);
  EXPECT_EQ(inkRuns().front().first, x + 28);

  fillCanvas(0);
  drawText(Text("I I").data(), x, 10, 640);
  EXPECT_EQ(inkRuns(), (std::vector<InkRun>{{x, x + widthI - 1}, {x + widthI + 18, x + 2 * widthI + 17}}));

  // Control codes, the zero byte, '|' and '~' past 'z', and Latin-1 codes
  // outside the six letters (0xD8 among them, whose table entry holds a
  // strip column yet must not be looked up).
  const uint8_t glyphless[] = {0x00, 0x01, 0x1F, '{', '|', '}', '~', 0x7F, 0x80, 0xA0, 0xD8, 0xE6, 0xFE};
  for (uint8_t code : glyphless) {
    fillCanvas(0);
    std::string s = "I";
    s += char(code);
    s += 'I';
    EXPECT_FALSE(drawText(Text(s).data(), x, 10, 640)) << int(code);
    EXPECT_EQ(inkRuns(), (std::vector<InkRun>{{x, x + widthI - 1}, {x + widthI + 8, x + 2 * widthI + 7}}))
        << "code " << int(code);
  }
}

TEST_F(DrawText, LimitIsTestedAfterEachCharacter) {
  const int step = glyphWidth('I') + 4;  // pen after one 'I'
  const Text two("II");
  EXPECT_FALSE(drawText(two.data(), 0, 0, 2 * step));  // pen equal to the limit at the end
  EXPECT_EQ(inkRuns().size(), 2u);

  fillCanvas(0);
  EXPECT_TRUE(drawText(two.data(), 0, 0, step));  // equal after the first goes on, the second crosses
  EXPECT_EQ(inkRuns().size(), 2u);

  fillCanvas(0);
  EXPECT_TRUE(drawText(two.data(), 0, 0, step - 1));  // crossing character drawn, rest not
  EXPECT_EQ(inkRuns().size(), 1u);

  // Crossing on the last character still reports the limit.
  const Text one("I");
  EXPECT_TRUE(drawText(one.data(), 0, 0, step - 1));
  EXPECT_FALSE(drawText(one.data(), 0, 0, step));
  // A glyphless code and a negative limit: stopped after the first character.
  EXPECT_TRUE(drawText(Text(std::string(1, '\0') + "I").data(), 0, 0, 3));
  fillCanvas(0);
  EXPECT_TRUE(drawText(two.data(), 0, 0, -5));
  EXPECT_EQ(inkRuns().size(), 1u);
}

TEST_F(DrawText, OnlyTheExactKeyColourIsTransparent) {
  // A strip of our own: key colour everywhere, then a few near misses in the
  // first column of '!' (strip column 0), rows 0 to 5.
  std::vector<uint8_t> strip(size_t(kFontStripWidth) * kFontHeight * 3);
  for (size_t i = 0; i < strip.size(); i += 3) std::memcpy(&strip[i], kColourKey, 3);
  const uint8_t probes[][3] = {{255, 0, 0}, {254, 0, 0}, {255, 0, 1}, {255, 1, 0}, {0, 0, 0}, {12, 34, 56}};
  for (int r = 0; r < 6; ++r) std::memcpy(&strip[size_t(r) * kFontStripWidth * 3], probes[r], 3);

  const uint8_t background[3] = {9, 9, 9};
  fillCanvas(9);
  drawTextFromStrip(strip.data(), Text("!").data(), 5, 7, 640);
  for (int r = 0; r < 6; ++r) {
    const uint8_t* p = canvas + canvasOffset(5, 7 + r);
    const uint8_t* want = r == 0 ? background : probes[r];
    EXPECT_EQ(std::vector<uint8_t>(p, p + 3), std::vector<uint8_t>(want, want + 3)) << "row " << r;
  }
  // Everything else stayed as it was: only the 5 probes of rows 1 to 5 differ from 9.
  int changed = 0;
  for (uint8_t b : canvas) changed += b != 9;
  EXPECT_EQ(changed, 5 * 3);
}

// Every glyph, between two 'I's: its ink fills exactly its cell, exactly four
// blank columns separate it from each neighbour, and its pixels are the
// strip's own. For the six letters after 'z' this also checks that the
// renderer's lookup agrees with the columns the strip was made with.
TEST_F(DrawText, EveryGlyphFillsItsCellWithFourBlankColumnsEachSide) {
  const int x = 100;
  const int y = 200;
  const int widthI = glyphWidth('I');
  std::string codes;
  for (int c = 33; c <= 122; ++c) codes += char(c);
  codes += "\xC5\xC4\xD6\xE5\xE4\xF6";

  int extraColumn = glyphEdges[91];  // the six letters tile the strip from the end of 'z'
  for (char code : codes) {
    const bool extra = uint8_t(code) > 122;
    fillCanvas(0);
    EXPECT_FALSE(drawText(Text(std::string("I") + code + "I").data(), x, y, 640));
    const std::vector<InkRun> runs = inkRuns();
    // The glyph's own ink may leave inner columns blank ('"'); look at the ends.
    ASSERT_GE(runs.size(), 3u) << code;
    EXPECT_EQ(runs.front(), InkRun(x, x + widthI - 1)) << code;
    const int first = x + widthI + 4;
    const int last = runs.back().first - 5;
    EXPECT_EQ(runs[1].first, first) << "glyph " << int(uint8_t(code));
    EXPECT_EQ(runs[runs.size() - 2].second, last) << "glyph " << int(uint8_t(code));
    EXPECT_EQ(runs.back().second - runs.back().first + 1, widthI) << code;

    const int width = last - first + 1;
    const int stripColumn = extra ? extraColumn : glyphEdges[uint8_t(code) - 32];
    if (!extra) {
      EXPECT_EQ(width, glyphWidth(code)) << code;
    }
    for (int r = 0; r < kFontHeight; ++r)
      for (int i = 0; i < width; ++i) {
        const uint8_t* s = fontStrip + (size_t(r) * kFontStripWidth + stripColumn + i) * 3;
        const bool ink = std::memcmp(s, kColourKey, 3) != 0;
        const uint8_t* p = canvas + canvasOffset(first + i, y + r);
        ASSERT_EQ(std::memcmp(p, ink ? s : kBlack, 3), 0)
            << "glyph " << int(uint8_t(code)) << " row " << r << " column " << i;
      }
    if (extra) {
      // A ring begins the six at the end of 'z'; A diaeresis begins at 1725.
      if (code == '\xC5') {
        EXPECT_EQ(last - first + 1, 29);
      }
      extraColumn += width;
    }
  }
  EXPECT_EQ(extraColumn, kFontStripWidth);  // the six letters fill the strip to its end
}

TEST_F(DrawText, ScriptLinesStayOnTheCanvas) {
  const ScriptLine* scenes[] = {kScene0Text, kScene1Text, kScene2Text, kScene3Text, kScene4Text};
  for (const ScriptLine* line : scenes)
    for (; line->text; ++line) {
      fillCanvas(0);
      EXPECT_FALSE(drawText(line->text, line->x, line->y, 640));
      const std::vector<InkRun> runs = inkRuns();
      ASSERT_FALSE(runs.empty());
      EXPECT_GE(runs.front().first, line->x);
      EXPECT_LE(runs.back().second, 639);
      EXPECT_LE(line->y + kFontHeight, kCanvasHeight);
    }
  // The widest line ends its last glyph at 634 with the pen at 619.
  fillCanvas(0);
  const Text widest("Also to the other sceners that");
  EXPECT_FALSE(drawText(widest.data(), 20, 240, 640));
  EXPECT_EQ(inkRuns().back().second, 634);
  EXPECT_FALSE(drawText(widest.data(), 20, 240, 619));
  EXPECT_TRUE(drawText(widest.data(), 20, 240, 618));
}

// Drawing at a position partly or wholly off the canvas gives exactly the
// visible part of the same text drawn whole, and nothing else: no row wraps
// into its neighbour, nothing lands before or after the canvas.
TEST_F(DrawText, CutsAtEveryCanvasEdge) {
  const Text sample("Wg@|\xC5");
  const int refX = 200;
  const int refY = 200;
  drawText(sample.data(), refX, refY, 640);
  const std::vector<uint8_t> reference(canvas, canvas + kCanvasBytes);

  const std::pair<int, int> spots[] = {{-13, -20}, {-60, 100}, {600, 460}, {630, 0}, {639, 479},
                                       {-100, -47}, {300, -47}, {300, 479}, {-90, 440}};
  for (auto [x, y] : spots) {
    fillCanvas(0);
    drawText(sample.data(), x, y, 640);
    for (int r = 0; r < kCanvasHeight; ++r)
      for (int c = 0; c < kCanvasWidth; ++c) {
        const int rc = c - x + refX;
        const int rr = r - y + refY;
        const bool inside = rc >= 0 && rc < kCanvasWidth && rr >= 0 && rr < kCanvasHeight;
        const uint8_t* want = inside ? &reference[size_t(canvasOffset(rc, rr))] : kBlack;
        ASSERT_EQ(std::memcmp(canvas + canvasOffset(c, r), want, 3), 0)
            << "drawn at (" << x << ", " << y << "), pixel (" << c << ", " << r << ")";
      }
  }
}

TEST_F(DrawText, FarOffPositionsWriteNothing) {
  std::string longText(300, 'W');
  longText += "\xC4g";
  const Text text(longText);
  // The line is about 11,500 pixels long: columns from which none of it
  // reaches the canvas, and rows whose 48-row cells miss it.
  const int32_t offColumns[] = {INT32_MIN, INT32_MIN + 1, -100000, 640, 100000, INT32_MAX - 1, INT32_MAX};
  const int32_t offRows[] = {INT32_MIN, INT32_MIN + 1, -100000, -48, 480, 100000, INT32_MAX - 1, INT32_MAX};
  const int32_t onCanvas[] = {0, 200, 432};
  for (int32_t y : offRows) {
    for (int32_t x : offColumns) EXPECT_FALSE(drawText(text.data(), x, y, INT32_MAX));
    for (int32_t x : onCanvas) EXPECT_FALSE(drawText(text.data(), x, y, INT32_MAX));
  }
  for (int32_t x : offColumns)
    for (int32_t y : onCanvas) EXPECT_FALSE(drawText(text.data(), x, y, INT32_MAX));
  for (uint8_t b : canvas) ASSERT_EQ(b, 0);
}

}  // namespace
