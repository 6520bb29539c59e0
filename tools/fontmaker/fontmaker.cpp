// fontmaker - renders the demo's bitmap font strip (assets/font-strip.ppm)
// from a scalable bold condensed typeface with FreeType.
//
// Usage: fontmaker [--font FILE] [--sheet SHEET.ppm] OUT.ppm
//   FILE defaults to Debian's DejaVu Sans Condensed Bold (fonts-dejavu-extra).
//   SHEET, if given, receives the glyphs laid out apart for people to look at.
//   Writes a binary PPM, 1849 x 48, ink white, everything else the key colour
//   (255, 0, 0). Prints one line per glyph (its rows) and, for the '?'/'@'
//   pair whose shared edge is ours to choose, the edge the typeface's own
//   proportions suggest. Exits 1 with a message when the font cannot be used
//   or the file cannot be written.
//
// How a glyph is made: the outline is loaded unhinted in font units and mapped
// straight onto its cell, horizontally so that its ink spans exactly the
// columns glyphEdges gives it (the table was drawn for a narrower face, so
// most letters are squeezed, and are first made somewhat bolder sideways so
// that their stems do not come out thinner than their bars), vertically by a
// piecewise-linear map that pins baseline, x-height, cap height and
// descender to fixed rows. The mapped outline is rendered with 8-bit coverage
// and cut at half coverage, which gives one-bit edges without the dropouts
// of centre sampling. The steps use only the font file and fixed constants,
// so the same font file always gives the same bytes.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "assets/assets.h"

namespace {

constexpr const char* kDefaultFont =
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";

constexpr int kWidth = kFontStripWidth;
constexpr int kHeight = kFontHeight;

// Row boundaries (0 = top of the cell, 48 = bottom) that the typeface's
// reference heights are pinned to: capitals from row 3, lower case from row
// 11, both standing on row 36, descenders down to row 45.
constexpr double kCapTop = 3.0;
constexpr double kXHeightTop = 11.0;
constexpr double kBaseline = 37.0;
constexpr double kDescenderBottom = 46.0;
// Brackets reach past both: rows 2 to 46.
constexpr double kBracketTop = 2.0;
constexpr double kBracketBottom = 47.0;
// Capitals that carry a ring or dots have no room above row 3 for them, so
// their body starts lower.
constexpr double kMarkedCapitalTop = 7.0;

// Coverage (of 255) from which a pixel counts as ink.
constexpr int kInkThreshold = 128;
// The outline may be widened by up to half a pixel on either side, in steps
// of 1/64, until its first and last columns take ink (round sides otherwise
// leave them nearly empty).
constexpr int kMaxWidenSteps = 32;
// How much of the stem weight lost to a sideways squeeze is given back.
constexpr double kBoldeningShare = 0.5;

enum class Shape {
  Plain,
  Bracket,        // reaches past cap height and descender
  MarkedCapital,  // a ring or dots above a capital
  HookedCapital,  // 'J': its hook, drawn below the baseline, is lifted onto it
};

struct Glyph {
  uint32_t code;  // Unicode = Latin-1 code
  int first;      // first strip column
  int end;        // column just right of the last
  Shape shape;
};

Shape asciiShape(uint32_t code) {
  if (code == '(' || code == ')' || code == '[' || code == ']') return Shape::Bracket;
  // The table gives 'J' a capital's full width; the typeface's narrow J with
  // its hook hanging below the line would be stretched into a blot.
  if (code == 'J') return Shape::HookedCapital;
  return Shape::Plain;
}

std::vector<Glyph> glyphList() {
  std::vector<Glyph> glyphs;
  for (uint32_t code = 33; code <= 122; ++code)
    glyphs.push_back({code, glyphEdges[code - 32], glyphEdges[code - 31], asciiShape(code)});
  // Å Ä Ö carry their marks above a capital's height; å ä ö are plain letters.
  for (const ExtraGlyph& letter : extraGlyphs) {
    const Shape shape = letter.code < 0xE0 ? Shape::MarkedCapital : Shape::Plain;
    glyphs.push_back({letter.code, letter.first, letter.end, shape});
  }
  return glyphs;
}

// A monotonic piecewise-linear map from font units to pixel boundaries,
// extended past its end knots with their segments' slopes. Knots are in
// increasing font units.
struct Knot {
  double units;
  double pixels;
};
struct PiecewiseMap {
  Knot knots[4];
  int count;
  double operator()(double units) const {
    int i = 0;
    while (i + 2 < count && units > knots[i + 1].units) ++i;
    const Knot& a = knots[i];
    const Knot& b = knots[i + 1];
    return a.pixels + (units - a.units) * (b.pixels - a.pixels) / (b.units - a.units);
  }
};

// What the layout needs to know of the typeface, in font units.
struct Metrics {
  double descender;  // bottom of 'p'
  double xHeight;    // top of 'x'
  double capHeight;  // top of 'H'
  double stemLeft;   // left side of 'I', which is nothing but a stem
  double stem;       // width of 'I'
};

FT_BBox exactBox(const FT_Outline& outline) {
  FT_BBox box{};
  FT_Outline_Get_BBox(const_cast<FT_Outline*>(&outline), &box);
  return box;
}

bool loadOutline(FT_Face face, uint32_t code) {
  return FT_Load_Char(face, code, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
         face->glyph->format == FT_GLYPH_FORMAT_OUTLINE;
}

FT_BBox exactBox(FT_Face face, uint32_t code) {
  return loadOutline(face, code) ? exactBox(face->glyph->outline) : FT_BBox{};
}

Metrics measure(FT_Face face) {
  const FT_BBox stem = exactBox(face, 'I');
  return {double(exactBox(face, 'p').yMin), double(exactBox(face, 'x').yMax),
          double(exactBox(face, 'H').yMax), double(stem.xMin), double(stem.xMax - stem.xMin)};
}

// Pixels per font unit at which capitals get their height; a glyph drawn
// narrower than this would draw it is squeezed sideways.
double naturalScale(const Metrics& m) { return (kBaseline - kCapTop) / m.capHeight; }

// Rows (from the top) for the font units of a glyph's outline.
PiecewiseMap verticalMap(const Metrics& m, Shape shape, const FT_BBox& box) {
  if (shape == Shape::Bracket)
    return {{{double(box.yMin), kBracketBottom}, {double(box.yMax), kBracketTop}}, 2};
  if (shape == Shape::HookedCapital)
    return {{{double(box.yMin), kBaseline}, {m.capHeight, kCapTop}}, 2};
  if (shape == Shape::MarkedCapital)
    return {{{m.descender, kDescenderBottom},
             {0, kBaseline},
             {m.capHeight, kMarkedCapitalTop},
             {double(box.yMax), 0.0}},
            4};
  PiecewiseMap map{{{m.descender, kDescenderBottom},
                    {0, kBaseline},
                    {m.xHeight, kXHeightTop},
                    {m.capHeight, kCapTop}},
                   4};
  // Whatever would rise above the cell (a ring over a small letter) is
  // squeezed into it from the x-height up; likewise below the cell.
  if (map(box.yMax) < 0.0)
    map = {{map.knots[0], map.knots[1], map.knots[2], {double(box.yMax), 0.0}}, 4};
  if (map(box.yMin) > kHeight) map.knots[0] = {double(box.yMin), double(kHeight)};
  return map;
}

// Columns of the cell for the font units of a glyph's outline: its ink
// spread over `width` columns and leftPad / rightPad pixels beyond them.
PiecewiseMap horizontalMap(const Metrics& m, Shape shape, const FT_BBox& box, int width,
                           double leftPad, double rightPad) {
  const Knot left{double(box.xMin), -leftPad};
  const Knot right{double(box.xMax), width + rightPad};
  if (shape == Shape::HookedCapital) {
    // The stem as wide as the 'I' cell, the hook takes the rest.
    const int stemColumns = glyphEdges['I' - 31] - glyphEdges['I' - 32];
    return {{left, {m.stemLeft, double(width - stemColumns)}, right}, 3};
  }
  return {{left, right}, 2};
}

// Squeezing a glyph sideways thins its stems; to keep them as heavy as the
// capitals' stems, the outline is first made bolder sideways by as much as
// the squeeze will take away again, but never by more than one stem.
double sidewaysBoldening(const Metrics& m, const Glyph& g, const FT_BBox& box) {
  // J's stem is fitted directly; the bars of '#' would close its small counter.
  if (g.shape == Shape::HookedCapital || g.code == '#') return 0.0;
  const int width = g.end - g.first;
  const double k = naturalScale(m);
  const double natural = k * double(box.xMax - box.xMin);
  const double stemPixels = k * m.stem;
  if (width >= natural) return 0.0;
  if (width <= stemPixels) return m.stem;
  return kBoldeningShare * std::min(m.stem, m.stem * (natural - width) / (width - stemPixels));
}

// Renders an outline (font units) mapped onto a cell of `width` columns;
// returns 0/1 ink per pixel, rows top first.
std::vector<uint8_t> renderCell(FT_Library library, const FT_Outline& source,
                                const PiecewiseMap& columns, const PiecewiseMap& rows, int width) {
  FT_Outline outline;
  FT_Outline_New(library, source.n_points, source.n_contours, &outline);
  FT_Outline_Copy(&source, &outline);
  for (int i = 0; i < outline.n_points; ++i) {
    outline.points[i].x = std::lround(columns(double(source.points[i].x)) * 64.0);
    // FreeType's y points up from the bitmap's bottom edge.
    outline.points[i].y = std::lround((kHeight - rows(double(source.points[i].y))) * 64.0);
  }
  std::vector<uint8_t> coverage(size_t(width) * kHeight, 0);
  FT_Bitmap bitmap{};
  bitmap.rows = kHeight;
  bitmap.width = unsigned(width);
  bitmap.pitch = width;
  bitmap.buffer = coverage.data();
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  FT_Outline_Get_Bitmap(library, &outline, &bitmap);
  FT_Outline_Done(library, &outline);
  for (uint8_t& c : coverage) c = c >= kInkThreshold ? 1 : 0;
  return coverage;
}

bool columnHasInk(const std::vector<uint8_t>& cell, int width, int column) {
  for (int r = 0; r < kHeight; ++r)
    if (cell[size_t(r) * width + column]) return true;
  return false;
}

// Renders one glyph so that its ink fills its columns, widening the outline
// by the least amount that makes the outer columns take ink. The glyph's
// outline must be loaded into face->glyph.
std::vector<uint8_t> makeCell(FT_Library library, FT_Face face, const Metrics& metrics,
                              const Glyph& g) {
  const int width = g.end - g.first;
  FT_Outline source;
  FT_Outline_New(library, face->glyph->outline.n_points, face->glyph->outline.n_contours, &source);
  FT_Outline_Copy(&face->glyph->outline, &source);
  const double bolder = sidewaysBoldening(metrics, g, exactBox(source));
  FT_Outline_EmboldenXY(&source, FT_Pos(std::lround(bolder)), 0);
  const FT_BBox box = exactBox(source);
  const PiecewiseMap rows = verticalMap(metrics, g.shape, box);
  int left = 0;
  int right = 0;
  std::vector<uint8_t> cell;
  for (;;) {
    const PiecewiseMap columns =
        horizontalMap(metrics, g.shape, box, width, left / 64.0, right / 64.0);
    cell = renderCell(library, source, columns, rows, width);
    const bool leftEmpty = !columnHasInk(cell, width, 0);
    const bool rightEmpty = !columnHasInk(cell, width, width - 1);
    if ((!leftEmpty || left == kMaxWidenSteps) && (!rightEmpty || right == kMaxWidenSteps)) break;
    if (leftEmpty && left < kMaxWidenSteps) ++left;
    if (rightEmpty && right < kMaxWidenSteps) ++right;
  }
  FT_Outline_Done(library, &source);
  return cell;
}

void describe(const Glyph& g, const std::vector<uint8_t>& cell) {
  const int width = g.end - g.first;
  int top = -1;
  int bottom = -1;
  for (int r = 0; r < kHeight; ++r)
    for (int c = 0; c < width; ++c)
      if (cell[size_t(r) * width + c]) {
        if (top < 0) top = r;
        bottom = r;
      }
  std::printf("0x%02X columns %4d..%4d width %2d rows %2d..%2d\n", unsigned(g.code), g.first,
              g.end - 1, width, top, bottom);
}

// The '?'/'@' edge that splits their shared columns in the ratio of the
// typeface's own ink widths.
int suggestedQuestionAtEdge(FT_Face face) {
  const FT_BBox q = exactBox(face, '?');
  const FT_BBox at = exactBox(face, '@');
  const double qWidth = double(q.xMax - q.xMin);
  const double atWidth = double(at.xMax - at.xMin);
  const int from = glyphEdges['?' - 32];
  const int to = glyphEdges['@' - 31];
  return from + int(std::lround((to - from) * qWidth / (qWidth + atWidth)));
}

bool writePpm(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << ' ' << height << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
  return bool(out);
}

// A sheet for people to look at: the glyphs in three bands, each cell on a
// dim red ground (where the strip holds the key colour), cells apart by the
// 4-pixel gap the renderer leaves between characters.
bool writeSheet(const char* path, const std::vector<uint8_t>& strip) {
  constexpr int kBands = 3;
  constexpr int kGap = 4;
  constexpr int kSheetWidth = 820;
  constexpr int kBandHeight = kHeight + 8;
  constexpr uint8_t kGround[3] = {24, 24, 24};
  constexpr uint8_t kCellGround[3] = {90, 24, 24};
  std::vector<uint8_t> sheet(size_t(kSheetWidth) * kBandHeight * kBands * 3);
  for (size_t i = 0; i < sheet.size(); i += 3) std::memcpy(&sheet[i], kGround, 3);
  const std::vector<Glyph> glyphs = glyphList();
  const size_t perBand = (glyphs.size() + kBands - 1) / kBands;
  for (size_t n = 0, x = kGap; n < glyphs.size(); ++n, x += kGap) {
    if (n % perBand == 0) x = kGap;
    const Glyph& g = glyphs[n];
    const size_t top = (n / perBand) * kBandHeight + 4;
    for (int c = g.first; c < g.end; ++c, ++x)
      for (int r = 0; r < kHeight; ++r) {
        const uint8_t* from = &strip[(size_t(r) * kWidth + c) * 3];
        const bool ink = std::memcmp(from, kColourKey, 3) != 0;
        if (x < size_t(kSheetWidth))
          std::memcpy(&sheet[((top + r) * kSheetWidth + x) * 3], ink ? from : kCellGround, 3);
      }
  }
  return writePpm(path, kSheetWidth, kBandHeight * kBands, sheet);
}

}  // namespace

int main(int argc, char** argv) {
  const char* fontPath = kDefaultFont;
  const char* outPath = nullptr;
  const char* sheetPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--font") == 0 && i + 1 < argc)
      fontPath = argv[++i];
    else if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc)
      sheetPath = argv[++i];
    else if (!outPath && argv[i][0] != '-')
      outPath = argv[i];
    else
      outPath = nullptr, i = argc;
  }
  if (!outPath) {
    std::fprintf(stderr, "usage: fontmaker [--font FILE] [--sheet SHEET.ppm] OUT.ppm\n");
    return 2;
  }
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, fontPath, 0, &face) != 0) {
    std::fprintf(stderr, "fontmaker: cannot open the typeface %s\n", fontPath);
    return 1;
  }
  const Metrics metrics = measure(face);

  std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) std::memcpy(&rgb[i], kColourKey, 3);
  for (const Glyph& g : glyphList()) {
    if (FT_Get_Char_Index(face, g.code) == 0 || !loadOutline(face, g.code)) {
      std::fprintf(stderr, "fontmaker: %s has no outline for U+%04X\n", fontPath, unsigned(g.code));
      return 1;
    }
    const int width = g.end - g.first;
    const std::vector<uint8_t> cell = makeCell(library, face, metrics, g);
    describe(g, cell);
    for (int r = 0; r < kHeight; ++r)
      for (int c = 0; c < width; ++c)
        if (cell[size_t(r) * width + c])
          std::memset(&rgb[(size_t(r) * kWidth + g.first + c) * 3], 255, 3);
  }
  std::printf("'?'/'@' edge by the typeface's proportions: %d (glyphEdges holds %d)\n",
              suggestedQuestionAtEdge(face), glyphEdges['@' - 32]);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  if (!writePpm(outPath, kWidth, kHeight, rgb)) {
    std::fprintf(stderr, "fontmaker: cannot write %s\n", outPath);
    return 1;
  }
  if (sheetPath && !writeSheet(sheetPath, rgb)) {
    std::fprintf(stderr, "fontmaker: cannot write %s\n", sheetPath);
    return 1;
  }
  return 0;
}
