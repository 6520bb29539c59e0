// capture_options.h - the capture tool's command line.
//
//   demo-capture [--keys PASS:KEY,...] [--frames N] [--trace]
//                [--ppm-at PASS,... --out DIR]
//                [--video FILE.mp4|FILE.webm [--scale N] [--lossless]]
//   demo-capture --help
//
// --keys and --frames are the key script (host/key_script.h); PASS is a
// 1-based loop pass number; --scale is 1 to 8.
#pragma once

#include <string>
#include <vector>

#include "host/key_script.h"

struct CaptureOptions {
  KeyScript script;
  bool help = false;  // print the usage and stop
  bool trace = false;
  std::vector<long> ppmPasses;
  std::string outDir;
  std::string videoPath;  // empty: no video
  long videoScale = 1;
  bool lossless = false;
};

// Parses argv[1..]. Returns false with a one-line reason in `error` for
// anything it does not understand or that cannot work: unknown options,
// missing values, numbers that are not positive decimal integers, unknown
// keys, --ppm-at without --out or past --frames, --scale or --lossless
// without --video, a video file that is neither .mp4 nor .webm, --lossless
// with .webm (WebM has no lossless RGB codec ffmpeg can put in it).
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

extern const char* const kCaptureUsage;
