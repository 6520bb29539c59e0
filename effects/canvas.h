// canvas.h - the demo's one software frame buffer.
//
// Every effect draws straight into `canvas`; once per frame the host converts
// it for the screen (presentCanvas, platform/platform.h). It is never cleared for you: what
// a frame leaves behind is still there on the next, which the scenes use for
// trails and fades.
//
// Layout: 640 x 480 pixels, 3 bytes each in the order red, green, blue, rows of
// 1920 bytes top row first with no gap between rows, so a pixel (x, y) starts
// at byte y * 1920 + x * 3 and some effects step through rows by linear offset.
// Nothing may write outside the 921,600 bytes.
#pragma once

#include <cstdint>

constexpr int kCanvasWidth = 640;
constexpr int kCanvasHeight = 480;
constexpr int kCanvasBytesPerPixel = 3;
constexpr int kCanvasPitch = kCanvasWidth * kCanvasBytesPerPixel;   // 1920
constexpr int kCanvasPixels = kCanvasWidth * kCanvasHeight;         // 307,200
constexpr int kCanvasBytes = kCanvasPixels * kCanvasBytesPerPixel;  // 921,600

// Zero (black) at start; lives for the whole run. Defined in canvas.cpp.
extern uint8_t canvas[kCanvasBytes];

// The window that effects placing shapes at computed positions keep to:
// columns 3 to 637 and rows 3 to 477, both ends included. The two outer
// columns and rows on each side are never drawn there.
constexpr int kWindowLeft = 3;
constexpr int kWindowRight = 637;
constexpr int kWindowTop = 3;
constexpr int kWindowBottom = 477;

// The canvas's middle, around which the rings, the halo, the blocks and the
// picture's bobbing are placed.
constexpr int kCentreX = kCanvasWidth / 2;   // 320
constexpr int kCentreY = kCanvasHeight / 2;  // 240

// Byte offset of pixel (x, y); callers keep x and y inside the canvas.
constexpr int canvasOffset(int x, int y) { return y * kCanvasPitch + x * kCanvasBytesPerPixel; }
