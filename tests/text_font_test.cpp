// text_font_test.cpp - the compiled-in font strip: its colours, the rows the
// letters stand on, and that the committed file is what the font maker
// makes today.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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

TEST(FontStrip, HoldsOnlyWhiteInkAndTheKeyColour) {
  for (int r = 0; r < kFontHeight; ++r)
    for (int c = 0; c < kFontStripWidth; ++c) {
      const uint8_t* p = fontStrip + (size_t(r) * kFontStripWidth + c) * 3;
      ASSERT_TRUE(!isInk(c, r) || (p[0] == 255 && p[1] == 255 && p[2] == 255)) << c << " " << r;
    }
}

// The heights the design is drawn to: capitals and digits from row 2 or 3
// to row 36 (round ones to 37), small letters from row 10 or 11 standing on
// row 35 or 36 (round ones reaching 37), descenders to row 44 or 45,
// brackets from row 2 or 3 to row 46 or 47.
TEST(FontStrip, LettersStandOnTheirRows) {
  auto expectRows = [](const char* codes, int topFrom, int topTo, int bottomFrom, int bottomTo) {
    for (const char* c = codes; *c; ++c) {
      int top = -1, bottom = -1;
      for (int r = 0; r < kFontHeight; ++r)
        for (int col = glyphEdges[*c - 32]; col < glyphEdges[*c - 31]; ++col)
          if (isInk(col, r)) {
            if (top < 0) top = r;
            bottom = r;
          }
      EXPECT_TRUE(top >= topFrom && top <= topTo) << *c << " top " << top;
      EXPECT_TRUE(bottom >= bottomFrom && bottom <= bottomTo) << *c << " bottom " << bottom;
    }
  };
  expectRows("ABDEFHIKLMNPRTVWXYZ1247", 2, 3, 36, 36);
  expectRows("CGJOSU035689", 2, 3, 36, 37);
  expectRows("acemnorsuvwxz", 10, 11, 35, 37);
  expectRows("bdhkl", 0, 9, 35, 37);
  expectRows("gpqy", 10, 11, 44, 45);
  expectRows("()[]", 2, 3, 46, 47);
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
