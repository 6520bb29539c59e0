// video_psnr.cpp - how faithful a capture's video is: the PSNR of every
// frame against the exact frames of a lossless capture of the same run.
//
//   video_psnr EXACT.mp4 VIDEO [SCALE]
//
// EXACT is `demo-capture --lossless --video EXACT.mp4` (640 x 480); VIDEO the
// capture to judge, made at SCALE (default 1). Both are decoded by ffmpeg to
// RGB, frame for frame, and each of VIDEO's frames is compared with EXACT's,
// enlarged to SCALE with square pixels as the tool enlarges it. Prints the
// frame count, the mean and the worst PSNR over R, G and B with the frame
// it was found at; exits 1 when the frame counts differ or nothing decodes.
// Used by bench/capture_speed.sh.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

FILE* decode(const std::string& video) {
  const std::string command =
      "ffmpeg -v error -i '" + video + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -";
  return popen(command.c_str(), "r");
}

bool readFrame(FILE* from, std::vector<uint8_t>& frame) {
  return from != nullptr && std::fread(frame.data(), 1, frame.size(), from) == frame.size();
}

// PSNR of `judged` (scale x the size) against `exact`, in dB; 99 when equal.
double psnr(const std::vector<uint8_t>& exact, const std::vector<uint8_t>& judged, int scale) {
  double squares = 0;
  const int width = kWidth * scale;
  for (int y = 0; y < kHeight * scale; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* a = &exact[(size_t(y / scale) * kWidth + x / scale) * 3];
      const uint8_t* b = &judged[(size_t(y) * width + x) * 3];
      for (int c = 0; c < 3; ++c) squares += double(a[c] - b[c]) * (a[c] - b[c]);
    }
  }
  const double mse = squares / (double(judged.size()));
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: video_psnr EXACT.mp4 VIDEO [SCALE]\n");
    return 2;
  }
  const int scale = argc == 4 ? std::atoi(argv[3]) : 1;
  FILE* exactFrames = decode(argv[1]);
  FILE* judgedFrames = decode(argv[2]);
  std::vector<uint8_t> exact(size_t(kWidth) * kHeight * 3), judged(exact.size() * scale * scale);
  long frames = 0, worstFrame = -1;
  double sum = 0, worst = 1e9;
  while (readFrame(exactFrames, exact) && readFrame(judgedFrames, judged)) {
    const double value = psnr(exact, judged, scale);
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
  std::printf("frames %ld  mean %.2f dB  worst %.2f dB at frame %ld\n", frames, sum / frames, worst,
              worstFrame);
  return 0;
}
