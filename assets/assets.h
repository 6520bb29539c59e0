// assets.h - the constant data compiled into the program.
//
// The font strip and the picture are made by the tools in tools/ and
// committed as PPM files under assets/; the build turns each into a constant
// array (tools/embed), so nothing is read from disk at run time.
#pragma once

#include <cstdint>
#include <cstring>

// The font: every glyph side by side in one image 48 pixels high, 3 bytes per
// pixel (red, green, blue), rows top first. Ink is white; (255, 0, 0) is the
// key colour, i.e. no ink.
constexpr int kFontStripWidth = 1849;
constexpr int kFontHeight = 48;
extern const uint8_t fontStrip[kFontStripWidth * kFontHeight * 3];

// glyphEdges[code - 32] is the first strip column of the glyph of `code`
// (33..122) and glyphEdges[code - 31] the column just right of its last one.
// Indexed by code - 32 so that a code finds its edges directly; it ends at
// the right edge of 'z' because the letters after it are far off in Latin-1
// and have a table of their own. Entry 0 (the space) is never consulted.
constexpr int kGlyphEdgeCount = 92;
extern const int32_t glyphEdges[kGlyphEdgeCount];

// The letters after 'z' in the strip, in strip order (A ring, A and O
// diaeresis, then the small ones), tiling it from glyphEdges' last entry to
// the strip's right edge. The Swedish lines need a and o with diaeresis.
struct ExtraGlyph {
  uint8_t code;   // Latin-1
  int32_t first;  // first strip column
  int32_t end;    // the column just right of the last one
};
constexpr int kExtraGlyphCount = 6;
extern const ExtraGlyph extraGlyphs[kExtraGlyphCount];

// The picture scene 0 shows, rows top first, 3 bytes per pixel; (255, 0, 0)
// is transparent. Drawing code reads the sizes from the record.
constexpr int kPictureWidth = 178;
constexpr int kPictureHeight = 236;
struct Picture {
  int32_t width;
  int32_t height;
  uint8_t pixels[kPictureWidth * kPictureHeight * 3];
};
extern const Picture picture;

// The colour that marks "no ink" in the font and "transparent" in the picture.
constexpr uint8_t kColourKey[3] = {255, 0, 0};

// Whether the 3 bytes at `p` are exactly the key colour. Called per pixel by
// the text and picture copies. One 2-byte and one 1-byte compare, which is
// what GCC makes of memcmp(p, kColourKey, 3); Emscripten's compiler would
// call memcmp instead, once per pixel.
inline bool isColourKey(const uint8_t* p) {
  uint16_t head, keyHead;
  std::memcpy(&head, p, 2);
  std::memcpy(&keyHead, kColourKey, 2);
  return head == keyHead && p[2] == kColourKey[2];
}
