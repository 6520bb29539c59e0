// text_font_test.cpp - the compiled-in font strip: its colours, glyphs that
// fill their columns, the rows the letters stand on, and that the committed
// file is what the font maker makes today.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "assets/assets.h"

namespace {

bool isInk(int column, int row) {
  return std::memcmp(fontStrip + (size_t(row) * kFontStripWidth + column) * 3, kColourKey, 3) != 0;
}

struct Rows {
  int top = -1;
  int bottom = -1;
};

// First and last rows with ink in the strip columns [first, end).
Rows inkRows(int first, int end) {
  Rows rows;
  for (int r = 0; r < kFontHeight; ++r)
    for (int c = first; c < end; ++c)
      if (isInk(c, r)) {
        if (rows.top < 0) rows.top = r;
        rows.bottom = r;
      }
  return rows;
}

Rows glyphRows(char code) { return inkRows(glyphEdges[code - 32], glyphEdges[code - 31]); }

bool columnHasInk(int column) {
  for (int r = 0; r < kFontHeight; ++r)
    if (isInk(column, r)) return true;
  return false;
}

TEST(FontStrip, HoldsOnlyWhiteInkAndTheKeyColour) {
  for (int r = 0; r < kFontHeight; ++r)
    for (int c = 0; c < kFontStripWidth; ++c) {
      const uint8_t* p = fontStrip + (size_t(r) * kFontStripWidth + c) * 3;
      const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
      ASSERT_TRUE(white || !isInk(c, r)) << "column " << c << " row " << r;
    }
}

TEST(FontStrip, EveryGlyphTouchesItsFirstAndLastColumn) {
  for (int code = 33; code <= 122; ++code) {
    const int first = glyphEdges[code - 32];
    const int end = glyphEdges[code - 31];
    ASSERT_LT(first, end) << code;
    EXPECT_TRUE(columnHasInk(first)) << "glyph " << char(code);
    EXPECT_TRUE(columnHasInk(end - 1)) << "glyph " << char(code);
  }
}

// The heights the design is drawn to: capitals and digits from row 2 or 3
// to row 36 (round ones to 37), small letters from row 10 or 11 standing on
// row 35 or 36 (round ones reaching 37), descenders to row 44 or 45,
// brackets from row 2 or 3 to row 46 or 47.
TEST(FontStrip, LettersStandOnTheirRows) {
  auto expectRows = [](const char* codes, int topFrom, int topTo, int bottomFrom, int bottomTo) {
    for (const char* c = codes; *c; ++c) {
      const Rows rows = glyphRows(*c);
      EXPECT_GE(rows.top, topFrom) << *c;
      EXPECT_LE(rows.top, topTo) << *c;
      EXPECT_GE(rows.bottom, bottomFrom) << *c;
      EXPECT_LE(rows.bottom, bottomTo) << *c;
    }
  };
  expectRows("ABDEFHIKLMNPRTVWXYZ1247", 2, 3, 36, 36);
  expectRows("CGJOSU035689", 2, 3, 36, 37);
  expectRows("acemnorsuvwxz", 10, 11, 35, 37);
  expectRows("bdhkl", 0, 9, 35, 37);
  expectRows("gpqy", 10, 11, 44, 45);
  expectRows("()[]", 2, 3, 46, 47);
}

// Reads a whole file; empty when it cannot be read.
std::vector<char> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FontStrip, CompiledInStripIsTheCommittedFile) {
  const std::vector<char> file = readFile(COMMITTED_STRIP);
  const std::string header = "P6\n1849 48\n255\n";
  ASSERT_EQ(file.size(), header.size() + sizeof fontStrip);
  EXPECT_EQ(std::string(file.begin(), file.begin() + long(header.size())), header);
  EXPECT_EQ(std::memcmp(file.data() + header.size(), fontStrip, sizeof fontStrip), 0);
}

#ifdef FONTMAKER
TEST(FontStrip, FontMakerReproducesTheCommittedFile) {
  const char* typeface = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
  if (!std::filesystem::exists(typeface)) GTEST_SKIP() << "no " << typeface << " (fonts-dejavu-core)";
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("text_font_test." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path out = dir / "font-strip.ppm";
  std::filesystem::remove(out);
  const std::string command = std::string("\"") + FONTMAKER + "\" \"" + out.string() + "\" > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<char> made = readFile(out);
  const std::vector<char> committed = readFile(COMMITTED_STRIP);
  ASSERT_FALSE(committed.empty());
  EXPECT_TRUE(made == committed) << "fontmaker output differs from " << COMMITTED_STRIP;
  std::filesystem::remove_all(dir);
}
#endif

}  // namespace
