// capture_options.h - the capture tool's command line.
//
//   demo-capture [--keys PASS:KEY,...] [--frames N] [--trace]
//                [--ppm-at PASS,... --out DIR]
//                [--video FILE.mp4|FILE.webm [--scale N] [--yuv444|--lossless]
//                 [--no-sound]]
//   demo-capture --help
//
// --keys and --frames are the key script (host/key_script.h); PASS is a
// 1-based loop pass number; --scale is 1 to 8.
#pragma once

#include <string>
#include <vector>

#include "host/key_script.h"
#include "tools/capture/video_encoder.h"

struct CaptureOptions {
  KeyScript script;
  bool help = false;  // print the usage and stop
  bool trace = false;
  std::vector<long> ppmPasses;
  std::string outDir;
  std::string videoPath;  // empty: no video
  long videoScale = 0;    // 0 until parsed: then the picture's default (defaultVideoScale)
  bool yuv444 = false;    // .mp4 in full colour resolution rather than the standard 4:2:0
  bool lossless = false;  // .mp4 frames exactly as drawn
  bool noSound = false;   // a silent video was asked for
};

// The picture the options ask for (.webm is always 4:4:4).
VideoPicture videoPicture(const CaptureOptions& options);

// Parses argv[1..]. Returns false with a one-line reason in `error` for
// anything it does not understand or that cannot work: unknown options,
// missing values, numbers that are not positive decimal integers, unknown
// keys, --ppm-at without --out or past --frames, --out without --ppm-at,
// --scale, --yuv444, --lossless or --no-sound without --video, a video file
// that is neither .mp4 nor .webm, --yuv444 with --lossless, and either with
// .webm (its VP9 is always 4:4:4, and WebM has no lossless RGB codec ffmpeg
// can put in it). Sets videoScale to the picture's default when not given.
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

extern const char* const kCaptureUsage;
