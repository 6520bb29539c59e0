// video_psnr.cpp - how faithful a capture's video is: the PSNR of every
// frame against the exact frames of a lossless capture of the same run.
//
//   video_psnr [--luma] EXACT.mp4 VIDEO [SCALE]
//
// EXACT is `demo-capture --lossless --video EXACT.mp4` (640 x 480); VIDEO the
// capture to judge, made at SCALE (default 1). Each of VIDEO's frames is
// compared with EXACT's, enlarged to SCALE with square pixels as the tool
// enlarges it. By default both are decoded by ffmpeg to RGB and compared over
// R, G and B. With --luma VIDEO's own brightness plane (Y, as stored, before
// any player's conversion) is compared with EXACT's brightness computed under
// the matrix and range VIDEO declares (BT.709 or BT.601, limited or full):
// the measure that matters for 4:2:0, whose colour planes players blend.
// Prints the frame count, the mean and the worst PSNR with the frame it was
// found at; exits 1 when the frame counts differ, nothing decodes, or VIDEO
// declares a matrix it does not know.
// Used by bench/capture_speed.sh.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

FILE* decode(const std::string& video, const char* pixelFormat) {
  const std::string command = "ffmpeg -v error -i 'file:" + video +
                              "' -fps_mode passthrough -f rawvideo -pix_fmt " + pixelFormat + " -";
  return popen(command.c_str(), "r");
}

std::string probe(const std::string& video, const char* entry) {
  const std::string command =
      "ffprobe -v error -select_streams v:0 -show_entries stream=" + std::string(entry) +
      " -of csv=p=0 'file:" + video + "'";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[256];
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  if (pipe != nullptr) pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
  return out;
}

bool readFrame(FILE* from, std::vector<uint8_t>& frame) {
  return from != nullptr && std::fread(frame.data(), 1, frame.size(), from) == frame.size();
}

// How RGB becomes Y: the red and blue weights and the range of Y.
struct Luma {
  double kr = 0, kb = 0, low = 0, span = 0;
};

// The matrix VIDEO declares; false for one this program does not know.
bool declaredLuma(const std::string& video, Luma& luma) {
  const std::string matrix = probe(video, "color_space"), range = probe(video, "color_range");
  if (matrix == "bt709") {
    luma.kr = 0.2126, luma.kb = 0.0722;
  } else if (matrix == "smpte170m" || matrix == "bt470bg") {
    luma.kr = 0.299, luma.kb = 0.114;
  } else {
    std::fprintf(stderr, "video_psnr: the video declares no known matrix (\"%s\")\n",
                 matrix.c_str());
    return false;
  }
  const bool full = range == "pc";
  luma.low = full ? 0 : 16, luma.span = full ? 255 : 219;
  return true;
}

// EXACT's RGB frame as Y under `luma`, one byte a pixel.
void toLuma(const std::vector<uint8_t>& rgb, const Luma& luma, std::vector<uint8_t>& y) {
  for (size_t i = 0; i < y.size(); ++i) {
    const double r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
    const double value = luma.kr * r + (1 - luma.kr - luma.kb) * g + luma.kb * b;
    y[i] = uint8_t(std::lround(luma.low + value * luma.span / 255));
  }
}

// PSNR of `judged` (scale x the size) against `exact`, both `channels` bytes
// a pixel, over the first `channels` x the judged pixels of `judged`; 99
// when equal.
double psnr(const std::vector<uint8_t>& exact, const uint8_t* judged, int scale, int channels) {
  double squares = 0;
  const int width = kWidth * scale;
  for (int y = 0; y < kHeight * scale; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* a = &exact[(size_t(y / scale) * kWidth + x / scale) * channels];
      const uint8_t* b = &judged[(size_t(y) * width + x) * channels];
      for (int c = 0; c < channels; ++c) squares += double(a[c] - b[c]) * (a[c] - b[c]);
    }
  }
  const double mse = squares / (double(width) * kHeight * scale * channels);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

int main(int argc, char** argv) {
  const bool luma = argc > 1 && std::strcmp(argv[1], "--luma") == 0;
  argv += luma, argc -= luma;
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: video_psnr [--luma] EXACT.mp4 VIDEO [SCALE]\n");
    return 2;
  }
  const int scale = argc == 4 ? std::atoi(argv[3]) : 1;
  Luma matrix;
  if (luma && !declaredLuma(argv[2], matrix)) return 1;
  // In luma mode VIDEO is read as planar 4:4:4 in its own matrix, which for
  // 4:2:0 and 4:4:4 files leaves its Y plane exactly as stored, in front.
  FILE* exactFrames = decode(argv[1], "rgb24");
  FILE* judgedFrames = decode(argv[2], luma ? "yuv444p" : "rgb24");
  const size_t pixels = size_t(kWidth) * kHeight;
  std::vector<uint8_t> exact(pixels * 3), exactY(pixels), judged(pixels * 3 * scale * scale);
  long frames = 0, worstFrame = -1;
  double sum = 0, worst = 1e9;
  while (readFrame(exactFrames, exact) && readFrame(judgedFrames, judged)) {
    if (luma) toLuma(exact, matrix, exactY);
    const double value =
        luma ? psnr(exactY, judged.data(), scale, 1) : psnr(exact, judged.data(), scale, 3);
    sum += value;
    if (value < worst) worst = value, worstFrame = frames;
    ++frames;
  }
  const bool sameLength = !readFrame(exactFrames, exact) && !readFrame(judgedFrames, judged);
  if (exactFrames) pclose(exactFrames);
  if (judgedFrames) pclose(judgedFrames);
  if (frames == 0 || !sameLength) {
    std::fprintf(stderr, "video_psnr: the videos differ in length or do not decode\n");
    return 1;
  }
  std::printf("frames %ld  mean %.2f dB  worst %.2f dB at frame %ld  (%s)\n", frames, sum / frames,
              worst, worstFrame, luma ? "Y" : "RGB");
  return 0;
}
