// capture_options.h - the capture tool's command line.
//
//   demo-capture [--keys FRAME:KEY,...] [--frames N] [--trace]
//                [--ppm-at FRAME,... --out DIR]
//                [--video FILE.mp4|FILE.webm [--scale N] [--lossless]]
//
// FRAME is a 1-based loop pass number, KEY one of space, escape, close;
// --scale is 1 to 8.
#pragma once

#include <string>
#include <vector>

enum class CaptureKey { Space, Escape, Close };

struct KeyPress {
  long pass;  // delivered before this pass's frame
  CaptureKey key;
};

struct CaptureOptions {
  std::vector<KeyPress> keys;  // in the order given; same-pass keys keep their order
  long maxPasses = 0;          // 0: no limit
  bool trace = false;
  std::vector<long> ppmPasses;
  std::string outDir;
  std::string videoPath;  // empty: no video
  long videoScale = 1;
  bool lossless = false;
};

// Parses argv[1..]. Returns false with a reason in `error` for anything it
// does not understand: unknown options, missing values, numbers that are not
// positive decimal integers, unknown keys, --ppm-at without --out.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

extern const char* const kCaptureUsage;

// Puts `key` into SDL's event queue as the demo would receive it (a key press,
// or a window-close request), so it goes through the demo's own event
// handling. Used by the headless captures before each pass's frame.
void pushCaptureKey(CaptureKey key);
