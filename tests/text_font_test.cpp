// text_font_test.cpp - the compiled-in font strip: its colours, its glyph
// cells, and that the committed file is what the font maker makes today.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "assets/assets.h"

namespace {

bool isInk(int column, int row) {
  return std::memcmp(fontStrip + (size_t(row) * kFontStripWidth + column) * 3, kColourKey, 3) != 0;
}

std::vector<char> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The renderer copies ink as it is and finds glyphs by their cells: ink is
// white, and every cell starts and ends with a column of ink, so the table
// and the strip agree on where each glyph is.
TEST(FontStrip, WhiteInkInCellsThatFitTheirGlyphs) {
  for (int r = 0; r < kFontHeight; ++r)
    for (int c = 0; c < kFontStripWidth; ++c) {
      const uint8_t* p = fontStrip + (size_t(r) * kFontStripWidth + c) * 3;
      ASSERT_TRUE(!isInk(c, r) || (p[0] == 255 && p[1] == 255 && p[2] == 255)) << c << " " << r;
    }
  auto inkIn = [](int column) {
    int rows = 0;
    for (int r = 0; r < kFontHeight; ++r) rows += isInk(column, r);
    return rows > 0;
  };
  std::vector<std::pair<int, int>> cells;  // first and last column
  for (int code = 33; code <= 122; ++code)
    cells.push_back({glyphEdges[code - 32], glyphEdges[code - 31] - 1});
  for (const ExtraGlyph& g : extraGlyphs) cells.push_back({g.first, g.end - 1});
  for (auto [first, last] : cells)
    EXPECT_TRUE(first <= last && inkIn(first) && inkIn(last)) << "cell " << first << ".." << last;
}

TEST(FontStrip, CompiledInStripIsTheCommittedFile) {
  const std::vector<char> file = readFile(COMMITTED_STRIP);
  const std::string header = "P6\n1849 48\n255\n";
  ASSERT_EQ(file.size(), header.size() + sizeof fontStrip);
  EXPECT_EQ(std::string(file.begin(), file.begin() + long(header.size())), header);
  EXPECT_EQ(std::memcmp(file.data() + header.size(), fontStrip, sizeof fontStrip), 0);
}

// FreeType and the typeface come with the test setup, so their absence is a
// broken setup to report, not a reason to leave the maker unchecked.
TEST(FontStrip, FontMakerReproducesTheCommittedFile) {
#ifndef FONTMAKER
  FAIL() << "the font maker was not built: FreeType is missing (libfreetype-dev, "
            "tools/setup-debian.sh --tests)";
#else
  const char* typeface = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
  ASSERT_TRUE(std::filesystem::exists(typeface))
      << "no " << typeface << " (fonts-dejavu-extra, tools/setup-debian.sh --tests)";
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / ("font-strip." + std::to_string(getpid()) + ".ppm");
  const std::string command =
      std::string("\"") + FONTMAKER + "\" \"" + out.string() + "\" > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<char> made = readFile(out), committed = readFile(COMMITTED_STRIP);
  std::filesystem::remove(out);
  ASSERT_FALSE(committed.empty());
  EXPECT_TRUE(made == committed) << "fontmaker output differs from " << COMMITTED_STRIP;
#endif
}

}  // namespace
