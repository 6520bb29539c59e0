// effects.h - everything the scene script draws with.
//
// Each routine works directly on `canvas` (effects/canvas.h) and on the
// fields of `demoState` (scenes/demo_state.h) that its comment names; none
// allocates, none fails, none reports. The arithmetic is part of the look:
// doubles throughout, truncation toward zero, sums in the order the code
// writes them, canvas bytes and colour steps wrapping modulo 256. Colour
// arguments are 32-bit ints of which only the low 8 bits count.
//
// Shapes placed at computed positions keep to the window 3 <= x <= 637,
// 3 <= y <= 477, and no routine changes a byte outside the canvas whatever
// values demoState holds.
#pragma once

#include <cstdint>

// Darkens every canvas byte by k, never below 0 (zero bytes are not written).
// Returns true when any byte was nonzero on entry, so a transition ends on the
// first call that finds the canvas black. Called by the sequencer with k = 3
// on transition frames and with 20, 4 or 1 first thing in every frame of
// scenes 1, 2 and 4.
// k is meant to be >= 0; k = 0 only reports.
bool fadeCanvas(int32_t k);

// Draws `text` (Latin-1 bytes ended by 0xFF, not by 0) with its cell's top-left
// at canvas (x, y) in the compiled-in bitmap font, 48 pixels high; ink replaces
// the canvas, the key colour leaves it alone. After each character the pen
// moves on by its width plus 4. Returns true when the pen passed `limit`
// (pixels from x) and drawing stopped there, false at the end byte. Glyph
// pixels that would fall outside the canvas are cut. Called by the scene
// script with limit 640.
bool drawText(const uint8_t* text, int32_t x, int32_t y, int32_t limit);

// Scene 0's background: paints all of the canvas with green rings around the
// centre, shifted by demoState.ringPhase, which it advances by 4.
void drawRings();

// Scene 0's picture: copies the compiled-in picture (key colour left out) to
// column 450 at a height that bobs with demoState.swing and .tick; advances
// tick by 1.
void drawPicture();

// Scene 1's spiral: 90 dots of 2 x 2 pixels around (demoState.spiralCentreX,
// .spiralCentreY), shaped by .swing and turned by .tick (read only), in a
// colour that starts one step below (r, g, b) and darkens dot by dot.
void drawSpiral(int32_t r, int32_t g, int32_t b);

// Scenes 2 and 4's halo: adds (red, green, blue) to the pixels of ten circles
// whose centres move along an ellipse set by demoState.swing; advances
// demoState.tick by 10.
void drawHalo(int32_t red, int32_t green, int32_t blue);

// Scene 3's blocks: adds colour to ten 8 x 8 blocks along a path set by
// demoState.swing and .tick; the colour rule changes once
// demoState.sceneFrame passes 500. Advances tick by 10.
void drawOrbitBlocks();
