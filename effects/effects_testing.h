// effects_testing.h - the drawing routines behind drawPicture and drawText,
// taking their source as an argument. The effects call them with the
// compiled-in picture and font strip; the tests call them with sources of
// their own, to reach what the real assets never show (the window's right
// edge, colours one step from the key).
#pragma once

#include <cstdint>

#include "assets/assets.h"

// drawPicture's work with `source` in place of the compiled-in picture. A
// record whose sizes claim more pixels than a Picture holds draws nothing.
void drawPictureFrom(const Picture& source);

// drawText's work with `strip`, laid out like fontStrip (kFontStripWidth x
// kFontStripHeight pixels, 3 bytes each), in place of fontStrip.
bool drawTextFromStrip(const uint8_t* strip, const uint8_t* text, int32_t x, int32_t y,
                       int32_t limit);
