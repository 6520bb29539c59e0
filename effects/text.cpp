// text.cpp - draws lines of text in the compiled-in bitmap font.
//
// The font is one strip of glyphs side by side (assets/assets.h): '!' to 'z'
// found through glyphEdges, then the six Scandinavian letters found through
// their own small table. The space is 10 pixels of nothing; every other code
// has no glyph and is 0 pixels wide. After each character the pen moves on by
// its width plus a 4-pixel gap. Ink replaces canvas pixels one for one, the
// key colour (exactly 255, 0, 0) leaves them alone, and whatever falls outside
// the canvas is cut, so any x, y and text are safe. No state, no allocation.
#include <cstdint>
#include <cstring>

#include "assets/assets.h"
#include "effects/canvas.h"
#include "effects/effects.h"
#include "effects/effects_testing.h"

namespace {

constexpr uint8_t kEndByte = 0xFF;
constexpr int32_t kSpaceWidth = 10;
constexpr int32_t kGap = 4;
constexpr int kFirstTableCode = 33;  // '!'
constexpr int kLastTableCode = 122;  // 'z'
constexpr int kStripPitch = kFontStripWidth * 3;

struct GlyphSpan {
  int32_t first;  // first strip column
  int32_t width;  // 0: nothing to draw
};

GlyphSpan glyphFor(uint8_t code) {
  if (code >= kFirstTableCode && code <= kLastTableCode) {
    const int32_t first = glyphEdges[code - 32];
    return {first, glyphEdges[code - 31] - first};
  }
  for (const ExtraGlyph& g : extraGlyphs)
    if (g.code == code) return {g.first, g.end - g.first};
  return {0, 0};
}

int64_t clampTo(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Copies the ink of one glyph with its cell's top-left at canvas (left, top),
// skipping the rows and columns that lie off the canvas. 64-bit positions so
// that no x, y or pen can overflow.
void blitGlyph(const uint8_t* strip, GlyphSpan glyph, int64_t left, int64_t top) {
  const int64_t rowFrom = clampTo(-top, 0, kFontHeight);
  const int64_t rowTo = clampTo(kCanvasHeight - top, 0, kFontHeight);
  const int64_t colFrom = clampTo(-left, 0, glyph.width);
  const int64_t colTo = clampTo(kCanvasWidth - left, 0, glyph.width);
  if (rowFrom >= rowTo || colFrom >= colTo) return;
  for (int64_t r = rowFrom; r < rowTo; ++r) {
    const uint8_t* src = strip + r * kStripPitch + (glyph.first + colFrom) * 3;
    uint8_t* dst = canvas + canvasOffset(int(left + colFrom), int(top + r));
    for (int64_t c = colFrom; c < colTo; ++c, src += 3, dst += 3)
      if (!isColourKey(src)) std::memcpy(dst, src, 3);
  }
}

}  // namespace

bool drawTextFromStrip(const uint8_t* strip, const uint8_t* text, int32_t x, int32_t y,
                       int32_t limit) {
  int64_t pen = 0;
  for (; *text != kEndByte; ++text) {
    int32_t width = kSpaceWidth;
    if (*text != ' ') {
      const GlyphSpan glyph = glyphFor(*text);
      if (glyph.width > 0) blitGlyph(strip, glyph, int64_t(x) + pen, y);
      width = glyph.width;
    }
    pen += width + kGap;
    // Tested after the character, so the one that crosses the limit is drawn whole.
    if (pen > limit) return true;
  }
  return false;
}

bool drawText(const uint8_t* text, int32_t x, int32_t y, int32_t limit) {
  return drawTextFromStrip(fontStrip, text, x, y, limit);
}
