// soundtrack_test.cpp - the data.dat the build rendered, measured as a
// listener hears it: the music turns where the scenes start, is mastered to
// streaming loudness without clipping, and loops without a click. (That a
// second render gives the same bytes is music.cmake's to check.)
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "scenes/render_frame.h"

namespace {

constexpr double kRate = 44100;

// The first pass of scenes 1..4 in a run without keys (the reference traces
// pin them), at 60 passes per second.
constexpr long kScenePasses[] = {sceneStartPass(1), sceneStartPass(2), sceneStartPass(3),
                                 sceneStartPass(4)};

// The file's interleaved stereo samples; empty unless it is 44.1 kHz stereo
// long enough for the script and its ending before the loop restarts.
const std::vector<float>& soundtrack() {
  static const std::vector<float> samples = [] {
    SF_INFO info{};
    SNDFILE* file = sf_open(DEMO_BUILD_DIR "/data.dat", SFM_READ, &info);
    const bool fits = info.channels == 2 && info.samplerate == kRate && info.frames >= 108 * kRate;
    std::vector<float> s(fits ? 2 * size_t(info.frames) : 0);
    s.resize(2 * size_t(sf_readf_float(file, s.data(), sf_count_t(s.size() / 2))));
    sf_close(file);
    return s;
  }();
  return samples;
}

// Level in dB of four bands (below 150 Hz, 150 Hz..1.5 kHz, 1.5..6 kHz,
// above 6 kHz; split by two-pole low-passes) of the mono mix in 10 ms frames.
constexpr double kFrameS = 0.01;
using Bands = std::vector<std::array<double, 4>>;
Bands bandLevels(const std::vector<float>& stereo) {
  auto coefficient = [](double hz) { return 1 - std::exp(-2 * std::numbers::pi * hz / kRate); };
  const double a[3] = {coefficient(150), coefficient(1500), coefficient(6000)};
  double state[3][2] = {};
  const size_t frame = size_t(kFrameS * kRate);
  Bands out(stereo.size() / 2 / frame);
  for (size_t i = 0; i < out.size() * frame; ++i) {
    const double x = 0.5 * (stereo[2 * i] + stereo[2 * i + 1]);
    double below[3];
    for (int s = 0; s < 3; ++s) {
      state[s][0] += a[s] * (x - state[s][0]);
      below[s] = state[s][1] += a[s] * (state[s][0] - state[s][1]);
    }
    const double band[4] = {below[0], below[1] - below[0], below[2] - below[1], x - below[2]};
    for (int b = 0; b < 4; ++b) out[i / frame][b] += band[b] * band[b];
  }
  for (auto& f : out)
    for (double& e : f) e = 10 * std::log10(e + 1e-12);
  return out;
}

// How the balance of frames [to, to + n) differs from that of [from,
// from + n): the mean band levels' differences (or only their rises),
// summed over the bands, in dB.
double change(const Bands& e, size_t from, size_t to, size_t n, bool risesOnly) {
  double sum = 0;
  for (int b = 0; b < 4; ++b) {
    double d = 0;
    for (size_t f = 0; f < n; ++f) d += (e[to + f][b] - e[from + f][b]) / double(n);
    sum += risesOnly ? std::max(d, 0.0) : std::fabs(d);
  }
  return sum;
}

// A scene start must be where the music turns: its strongest onset (over
// 50 ms) within half a second of the start (the new section's downbeat
// after a break) is within 50 ms of it, and the balance of the two seconds
// from there is unlike that of the two seconds before the fade to black
// (86 passes) that leads into it.
TEST(Soundtrack, EachSceneStartIsWhereTheMusicTurns) {
  ASSERT_FALSE(soundtrack().empty()) << "data.dat missing, under 108 s or not 44.1 kHz stereo";
  const Bands e = bandLevels(soundtrack());
  auto rise = [&](size_t f) { return change(e, f - 5, f, 5, true); };
  for (const long pass : kScenePasses) {
    const double seconds = (pass - 1) / 60.0;
    const size_t start = size_t(std::lround(seconds / kFrameS)),
                 fade = size_t(kWhiteTransitionPasses / 60.0 / kFrameS);
    size_t best = start;
    for (size_t f = start - 50; f <= start + 50; ++f) best = rise(f) > rise(best) ? f : best;
    EXPECT_NEAR(best * kFrameS, seconds, 0.05) << "the scene starting at pass " << pass;
    EXPECT_GT(change(e, start - fade - 200, start, 200, false), 6.0)
        << "the scene starting at pass " << pass << " sounds like the one before";
  }
}

// Loudness, its range and the true peak as ffmpeg's EBU R128 meter reads
// them from the file. A true peak below full scale also means no sample is
// clipped: it is never below the highest sample.
TEST(Soundtrack, IsMasteredForStreamingWithRoomToBreathe) {
  const std::string path = DEMO_BUILD_DIR "/soundtrack-ebur128.txt";
  const int status = std::system(("ffmpeg -nostdin -nostats -hide_banner -i " DEMO_BUILD_DIR
                                  "/data.dat -af ebur128=peak=true -f null - >" +
                                  path + " 2>&1")
                                     .c_str());
  std::ifstream in(path);
  const std::string report(std::istreambuf_iterator<char>(in), {});
  auto summary = [&](const std::string& key) {
    size_t at = report.rfind(key);
    return at == std::string::npos ? NAN : std::stod(report.substr(at + key.size()));
  };
  ASSERT_TRUE(status == 0 && report.find("Integrated loudness") != std::string::npos)
      << "ffmpeg with its ebur128 filter is needed (setup-debian.sh --tests):\n"
      << report;
  EXPECT_NEAR(summary("I:"), -14.0, 1.0);
  EXPECT_GE(summary("LRA:"), 4.0);
  EXPECT_LE(summary("Peak:"), -1.0);
}

// A run that outlasts the script hears the loop's seam: the last sample must
// lead into the first no more abruptly than the music moves around it.
TEST(Soundtrack, LoopsWithoutAClick) {
  const std::vector<float>& s = soundtrack();
  ASSERT_FALSE(s.empty()) << "data.dat missing, under 108 s or not 44.1 kHz stereo";
  for (size_t side = 0; side < 2; ++side) {
    auto at = [&](size_t frame) { return s[2 * frame + side]; };
    const size_t last = s.size() / 2 - 1;
    float largest = 0;
    for (size_t i = 1; i < size_t(0.05 * kRate); ++i)
      largest = std::max(
          {largest, std::fabs(at(i) - at(i - 1)), std::fabs(at(last - i + 1) - at(last - i))});
    EXPECT_LE(std::fabs(at(0) - at(last)), largest) << "a click where the loop starts again";
    EXPECT_GT(largest, 0.0f) << "silence at the seam";
  }
}

}  // namespace
