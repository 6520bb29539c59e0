// web_present.cpp - puts the canvas on the page: presentCanvas for the web build.
//
// The page's <canvas> takes rows of red, green, blue, alpha bytes. Each shown
// frame is converted into pagePixels, in the program's own memory, and the
// page copies that into its canvas with one putImageData through an
// ImageData that views the memory directly: one pass over the pixels here,
// one copy by the browser.
#include "web/web_present.h"

#include <emscripten.h>
#include <wasm_simd128.h>

#include <cstdint>

#include "effects/canvas.h"
#include "platform/platform.h"

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;  // alpha, the top byte of a little-endian word

// The page canvas's pixels. Static, so the ImageData over it stays valid
// (the program's memory does not grow).
uint32_t pagePixels[kCanvasPixels];

// The ImageData is made once, on the first frame, and again only if the
// program's memory were ever replaced (its views then go empty). The body is
// JavaScript, which clang-format would mangle.
// clang-format off
EM_JS(void, putPagePixels, (const uint32_t* pixels, int width, int height), {
  var frame = Module['pageFrame'];
  if (!frame || frame.data.length === 0) {
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    frame = Module['pageFrame'] = new ImageData(bytes, width, height);
    Module['pageContext'] = Module['canvas'].getContext('2d', {alpha: false});
  }
  Module['pageContext'].putImageData(frame, 0, 0);
});
// clang-format on

uint32_t pagePixelOf(const uint8_t* rgb) {
  return uint32_t{rgb[0]} | uint32_t{rgb[1]} << 8 | uint32_t{rgb[2]} << 16 | kOpaque;
}

// Four pixels at a time: one 16-byte load holds their 12 bytes (and 4 of the
// next pixels', unused), one shuffle spreads them to 16 with a zero in each
// alpha place. The last few pixels, whose load would read past the canvas,
// go one by one.
constexpr int kVectorPixels = 4;
constexpr int kVectorBytes = 16;
constexpr int kVectorEnd =
    (kCanvasBytes - kVectorBytes) / kCanvasBytesPerPixel / kVectorPixels * kVectorPixels;

void convertCanvas() {
  const v128_t spread = wasm_i8x16_make(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const v128_t opaque = wasm_u32x4_splat(kOpaque);
  int pixel = 0;
  for (; pixel < kVectorEnd; pixel += kVectorPixels) {
    const v128_t rgb = wasm_v128_load(canvas + pixel * kCanvasBytesPerPixel);
    wasm_v128_store(pagePixels + pixel, wasm_v128_or(wasm_i8x16_swizzle(rgb, spread), opaque));
  }
  for (; pixel < kCanvasPixels; ++pixel) {
    pagePixels[pixel] = pagePixelOf(canvas + pixel * kCanvasBytesPerPixel);
  }
}

}  // namespace

// The page's screen: whether a frame waits to be shown.
struct Screen {
  bool framePresented;
};

namespace {
Screen pageScreen{};
}  // namespace

Screen* openScreen() { return &pageScreen; }

void presentCanvas(Screen* screen) { screen->framePresented = true; }

void showPresentedFrame() {
  if (!pageScreen.framePresented) return;
  pageScreen.framePresented = false;
  convertCanvas();
  putPagePixels(pagePixels, kCanvasWidth, kCanvasHeight);
}
