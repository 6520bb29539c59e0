// soundtrack_test.cpp - the data.dat the build rendered, measured as a
// listener hears it: the music turns where the scenes start, is mastered to
// streaming loudness without clipping, and loops without a click.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100;

// The first pass of scenes 0..4 and the pass after the script, in a run
// without keys (the reference traces pin them), at 60 passes per second.
constexpr int kScenePasses[] = {1, 1089, 3177, 4265, 5353, 6441};
double sceneSeconds(int scene) { return (kScenePasses[scene] - 1) / 60.0; }

// The decoded file, both channels and their mean.
struct Sound {
  std::vector<float> left, right, mono;
};

Sound decode(const char* path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  Sound s;
  if (!file || info.channels != 2 || info.samplerate != kRate) {
    if (file) sf_close(file);
    return s;
  }
  std::vector<float> frames(2 * static_cast<size_t>(info.frames));
  frames.resize(2 * static_cast<size_t>(sf_readf_float(file, frames.data(), info.frames)));
  sf_close(file);
  for (size_t i = 0; i < frames.size(); i += 2) {
    s.left.push_back(frames[i]);
    s.right.push_back(frames[i + 1]);
    s.mono.push_back(0.5f * (frames[i] + frames[i + 1]));
  }
  return s;
}

const Sound& soundtrack() {
  static const Sound sound = decode(DEMO_BUILD_DIR "/data.dat");
  return sound;
}
// The whole script and its ending must fit before the loop restarts.
::testing::AssertionResult longEnough(const Sound& s) {
  if (s.mono.size() / kRate >= 108.0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "data.dat is missing, shorter than 108 s, or not 44.1 kHz stereo";
}

double rmsDb(const std::vector<float>& x, double fromS, double toS) {
  size_t from = size_t(fromS * kRate), to = std::min(x.size(), size_t(toS * kRate));
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
  return 10 * std::log10(sum / double(std::max<size_t>(to - from, 1)) + 1e-20);
}

// Energy in dB of four bands (below 150 Hz, 150 Hz..1.5 kHz, 1.5..6 kHz,
// above 6 kHz; split by two-pole low-passes) in each 10 ms frame.
constexpr int kBands = 4;
constexpr double kFrameS = 0.01;
std::vector<std::array<double, kBands>> bandEnergies(const std::vector<float>& x) {
  const double splits[kBands - 1] = {150, 1500, 6000};
  double state[kBands - 1][2] = {};
  const size_t frame = size_t(kFrameS * kRate);
  std::vector<std::array<double, kBands>> out(x.size() / frame);
  for (size_t i = 0; i < out.size() * frame; ++i) {
    double below[kBands - 1];
    for (int s = 0; s < kBands - 1; ++s) {
      double a = 1 - std::exp(-2 * std::numbers::pi * splits[s] / kRate);
      state[s][0] += a * (x[i] - state[s][0]);
      state[s][1] += a * (state[s][0] - state[s][1]);
      below[s] = state[s][1];
    }
    double band[kBands] = {below[0], below[1] - below[0], below[2] - below[1], x[i] - below[2]};
    for (int b = 0; b < kBands; ++b) out[i / frame][b] += band[b] * band[b];
  }
  for (auto& f : out)
    for (double& e : f) e = 10 * std::log10(e + 1e-12);
  return out;
}

// How much the sound's balance differs between the `window` frames before
// frame `at` and the `window` frames from it: the mean band levels' absolute
// differences (or only their rises), summed over the bands, in dB.
double contrast(const std::vector<std::array<double, kBands>>& e, size_t at, size_t window,
                bool risesOnly) {
  double sum = 0;
  for (int b = 0; b < kBands; ++b) {
    double before = 0, after = 0;
    for (size_t f = at - window; f < at; ++f) before += e[f][b];
    for (size_t f = at; f < at + window; ++f) after += e[f][b];
    double change = (after - before) / double(window);
    sum += risesOnly ? std::max(change, 0.0) : std::fabs(change);
  }
  return sum;
}

// A scene start must be where the music turns: its strongest onset near
// the start (the new section's downbeat after a break) within 50 ms of it,
// and the balance of the two seconds from there unlike that of the two
// seconds before the fade to black that leads into it.
TEST(Soundtrack, EachSceneStartIsWhereTheMusicTurns) {
  const Sound& s = soundtrack();
  ASSERT_TRUE(longEnough(s));
  const auto e = bandEnergies(s.mono);
  const size_t onset = size_t(0.05 / kFrameS), search = size_t(0.5 / kFrameS);
  const size_t character = size_t(2.0 / kFrameS), fade = size_t(86 / 60.0 / kFrameS);
  for (int scene = 1; scene < 5; ++scene) {
    size_t expected = size_t(std::lround(sceneSeconds(scene) / kFrameS)), best = expected;
    for (size_t f = expected - search; f <= expected + search; ++f) {
      if (contrast(e, f, onset, true) > contrast(e, best, onset, true)) best = f;
    }
    // Two windows a fade apart, so neither holds the fill between them.
    double change = 0;
    for (int b = 0; b < kBands; ++b) {
      double before = 0, after = 0;
      for (size_t f = expected - fade - character; f < expected - fade; ++f) before += e[f][b];
      for (size_t f = expected; f < expected + character; ++f) after += e[f][b];
      change += std::fabs(after - before) / double(character);
    }
    printf(
        "scene %d: starts at %.3f s, the strongest onset near it at %.3f s (%.1f dB); the balance "
        "changes by %.1f dB\n",
        scene, sceneSeconds(scene), best * kFrameS, contrast(e, best, onset, true), change);
    EXPECT_NEAR(best * kFrameS, sceneSeconds(scene), 0.05) << "scene " << scene;
    EXPECT_GT(change, 6.0) << "scene " << scene << ": the new section sounds like the old";
  }
}

// Levels as ffmpeg's EBU R128 meter reads them from the file: "I:", "LRA:"
// and the true "Peak:" of its summary.
double summaryValue(const std::string& report, const std::string& key) {
  size_t at = report.rfind(key);
  return at == std::string::npos ? NAN : std::stod(report.substr(at + key.size()));
}

TEST(Soundtrack, IsMasteredForStreamingWithRoomToBreathe) {
  const Sound& s = soundtrack();
  ASSERT_TRUE(longEnough(s));
  std::string report;
  if (FILE* p = popen("ffmpeg -nostdin -nostats -hide_banner -i " DEMO_BUILD_DIR
                      "/data.dat -af ebur128=peak=true -f null - 2>&1",
                      "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) report.append(buffer, n);
    pclose(p);
  }
  ASSERT_NE(report.find("Integrated loudness"), std::string::npos)
      << "ffmpeg with its ebur128 filter is needed (setup-debian.sh --tests):\n"
      << report;
  const double integrated = summaryValue(report, "I:"), range = summaryValue(report, "LRA:"),
               truePeak = summaryValue(report, "Peak:");
  printf("integrated %.1f LUFS, range %.1f LU, true peak %.1f dBTP\n", integrated, range, truePeak);
  EXPECT_NEAR(integrated, -14.0, 1.0);
  EXPECT_GE(range, 4.0);
  EXPECT_LE(truePeak, -1.0);

  float peak = 0;
  for (const auto* channel : {&s.left, &s.right})
    for (float v : *channel) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 1.0f) << "a clipped sample";

  std::vector<double> sections;
  for (int scene = 0; scene < 5; ++scene) {
    sections.push_back(rmsDb(s.mono, sceneSeconds(scene), sceneSeconds(scene + 1)));
    printf("section %d: RMS %.1f dBFS\n", scene, sections.back());
  }
  EXPECT_GE(*std::max_element(sections.begin(), sections.end()) -
                *std::min_element(sections.begin(), sections.end()),
            4.0);
}

// A run that outlasts the script hears the loop's seam: the last sample must
// lead into the first no more abruptly than the music moves around it.
TEST(Soundtrack, OutlastsTheScriptAndLoopsWithoutAClick) {
  const Sound& s = soundtrack();
  ASSERT_TRUE(longEnough(s));
  const size_t near = size_t(0.05 * kRate);
  for (const auto* channel : {&s.left, &s.right}) {
    const std::vector<float>& x = *channel;
    float largest = 0;
    for (size_t i = 1; i < near; ++i) {
      largest = std::max(
          {largest, std::fabs(x[i] - x[i - 1]), std::fabs(x[x.size() - i] - x[x.size() - i - 1])});
    }
    printf("seam step %.4f, largest step within 50 ms of it %.4f\n",
           std::fabs(x.front() - x.back()), largest);
    EXPECT_LE(std::fabs(x.front() - x.back()), largest) << "a click where the loop starts again";
    EXPECT_GT(largest, 0.0f) << "silence at the seam";
  }
}

}  // namespace
