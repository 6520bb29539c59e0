// music_library_test.cpp - libdemobass heard through SDL's disk audio
// driver: the tests play test tones, then read back and measure the samples
// the library wrote. The driver runs about three times faster than real
// time here, so events are found in the recording by what it sounds like,
// never by when they were asked for. (With no delay at all it would ask for
// sound hundreds of times faster than real time, faster than a decoder a
// second ahead can feed it on a busy machine, and the gaps would be the
// test's own doing.)
#include <SDL.h>
#include <gtest/gtest.h>

#include "audio/demobass.h"
#include "host/music.h"
#include "tests/music_test_support.h"

using namespace musictest;

// Under LeakSanitizer: SDL keeps some audio driver state for the life of the
// process, and libsndfile loses the Vorbis header state of an Ogg file it
// refuses as malformed. Neither is this library's, which frees what it
// takes (the leak check still covers it).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libSDL2-2.0.so\nleak:libvorbis.so\n";
}

namespace {

// The library's entry points must have exactly the types the host casts its
// looked-up symbols to, or the host calls them with the wrong arguments.
static_assert(std::is_same_v<decltype(&BASS_Init), BassInitFn>);
static_assert(std::is_same_v<decltype(&BASS_StreamCreateFile), BassStreamCreateFileFn>);
static_assert(std::is_same_v<decltype(&BASS_Start), BassStartFn>);
static_assert(std::is_same_v<decltype(&BASS_StreamPlay), BassStreamPlayFn>);
static_assert(std::is_same_v<decltype(&BASS_ChannelSlideAttributes), BassChannelSlideAttributesFn>);
static_assert(std::is_same_v<decltype(&BASS_ChannelIsSliding), BassChannelIsSlidingFn>);
static_assert(std::is_same_v<decltype(&BASS_Free), BassFreeFn>);

constexpr double kToneHz = 440.0;
constexpr double kToneAmplitude = 0.5;
constexpr int kWavFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class DiskAudio : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::string recording = dir / "out.raw";

  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "8", 1);  // ms per 23 ms buffer
  }

  // Init, open `file`, start and play it; returns the stream handle.
  uint32_t play(const std::string& file, uint32_t flags = kDemoBassLoop) {
    EXPECT_TRUE(BASS_Init(-1, kRate, 0, nullptr));
    uint32_t stream = BASS_StreamCreateFile(0, file.c_str(), 0, 0, 0x40000);
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(BASS_Start());
    EXPECT_TRUE(BASS_StreamPlay(stream, 1, flags));
    return stream;
  }

  // Polls the sliding state as the demo does, with a limit; true when it
  // fell to zero.
  static bool waitForSlides(uint32_t channel) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (BASS_ChannelIsSliding(channel)) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
};

constexpr double kFullScale = 32767.0;
const double kTonePeak = kToneAmplitude * kFullScale;
// The steepest step a clean tone can take between two samples; a loop seam
// or a click jumps much further.
const double kToneMaxStep = kTonePeak * 2 * kPi * kToneHz / kRate;

TEST_F(DiskAudio, ShortStreamLoopsWithoutSeamAndStopsWithoutLoopFlag) {
  // 0.25 s holds exactly 110 cycles, so a seamless loop is a clean tone.
  std::string tone = dir / "short.wav";
  writeTone(tone, kWavFormat, kToneHz, 0.25, kToneAmplitude);
  uint32_t stream = play(tone);
  EXPECT_EQ(stream, 1u) << "the first stream is channel 1, which the demo's end addresses";
  ASSERT_TRUE(waitForMoreOutput(recording, 2 * kRate));
  BASS_Free();

  std::vector<int16_t> out = readLeft(recording);
  size_t start = firstNonZero(out) + kRate / 20;  // past the resampler's onset
  size_t end = out.size() - kRate / 20;
  ASSERT_GT(end, start + kRate) << "under a second recorded after the start";
  for (size_t at = start; at + kRate / 100 <= end; at += kRate / 100) {
    ASSERT_NEAR(peak(out, at, kRate / 100), kTonePeak, kTonePeak * 0.05) << "gap at frame " << at;
    ASSERT_NEAR(zeroCrossings(out, at, kRate / 100), 2 * kToneHz / 100, 2) << "at frame " << at;
  }
  double steepest = 0;
  for (size_t i = start + 1; i < end; ++i) steepest = std::max(steepest, std::fabs(double(out[i]) - out[i - 1]));
  EXPECT_LT(steepest, kToneMaxStep * 1.1) << "a jump where the stream loops";

  // Without the loop flag the same stream plays once and falls silent.
  ASSERT_TRUE(std::filesystem::remove(recording));
  play(tone, 0);
  ASSERT_TRUE(waitForMoreOutput(recording, kRate));
  BASS_Free();
  out = readLeft(recording);
  start = firstNonZero(out);
  ASSERT_LT(start, out.size());
  EXPECT_NEAR(double(out.size() - firstNonZero(std::vector<int16_t>(out.rbegin(), out.rend()))) - start,
              0.25 * kRate, 0.01 * kRate)
      << "sound should last the file's 0.25 s";
}

TEST_F(DiskAudio, FrequencySlideLowersPitchLinearlyOverItsTime) {
  std::string tone = dir / "tone.wav";
  writeTone(tone, kWavFormat, kToneHz, 1.0, kToneAmplitude);
  play(tone);
  ASSERT_TRUE(waitForMoreOutput(recording, kRate / 2));
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, 1000, kDemoBassKeepVolume, kDemoBassKeepPan, 500));
  EXPECT_TRUE(BASS_ChannelIsSliding(1)) << "sliding from the moment it is asked for";
  ASSERT_TRUE(waitForSlides(1));
  EXPECT_FALSE(BASS_ChannelIsSliding(1));
  ASSERT_TRUE(waitForMoreOutput(recording, kRate));
  BASS_Free();

  // The tone's pitch follows the playback frequency: 440 Hz at the file's
  // 44.1 kHz, 440 * 1000 / 44100 = 9.98 Hz at 1000 Hz.
  std::vector<int16_t> out = readLeft(recording);
  std::vector<double> rises = risingCrossings(out, firstNonZero(out) + kRate / 20, out.size());
  ASSERT_GT(rises.size(), 100u);
  auto frequencyAt = [&](size_t i) { return kRate * kRate / kToneHz / (rises[i + 1] - rises[i]); };
  // When the playback frequency passed 90 % and 20 % of the way down.
  const double high = 44100 - 0.1 * 43100, low = 44100 - 0.8 * 43100;
  double passedHigh = -1, passedLow = -1;
  for (size_t i = 0; i + 1 < rises.size(); ++i) {
    double f = frequencyAt(i);
    if (passedHigh < 0 && f < high) passedHigh = rises[i];
    if (passedLow < 0 && f < low) passedLow = rises[i];
  }
  ASSERT_GT(passedHigh, 0);
  ASSERT_GT(passedLow, passedHigh);
  double slideSeconds = (passedLow - passedHigh) / kRate / 0.7;
  EXPECT_NEAR(slideSeconds, 0.5, 0.025) << "a linear slide over 500 ms";

  // At the end it holds at 1000 Hz.
  double lastPeriod = rises.back() - rises[rises.size() - 2];
  EXPECT_NEAR(kRate / lastPeriod, kToneHz * 1000 / 44100, 0.3);

  // Never a click: no step steeper than the unslowed tone's steepest.
  size_t from = static_cast<size_t>(rises.front());
  double steepest = 0;
  for (size_t i = from + 1; i < out.size(); ++i) steepest = std::max(steepest, std::fabs(double(out[i]) - out[i - 1]));
  EXPECT_LT(steepest, kToneMaxStep * 1.1);
}

TEST_F(DiskAudio, VolumeSlideFadesLinearlyToSilence) {
  std::string tone = dir / "tone.wav";
  writeTone(tone, kWavFormat, kToneHz, 1.0, kToneAmplitude);
  play(tone);
  ASSERT_TRUE(waitForMoreOutput(recording, kRate / 2));
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, kDemoBassKeepFrequency, 0, kDemoBassKeepPan, 200));
  EXPECT_TRUE(BASS_ChannelIsSliding(1));
  ASSERT_TRUE(waitForSlides(1));
  ASSERT_TRUE(waitForMoreOutput(recording, kRate / 2));
  BASS_Free();

  std::vector<int16_t> out = readLeft(recording);
  const size_t window = kRate / 100;  // 4.4 cycles of the tone
  size_t fadeStart = 0, fadeEnd = 0;
  for (size_t at = firstNonZero(out) + kRate / 20; at + window <= out.size(); at += window / 4) {
    int p = peak(out, at, window);
    if (!fadeStart && p < kTonePeak * 0.95) fadeStart = at;
    if (!fadeEnd && p < kTonePeak * 0.01) fadeEnd = at;
  }
  ASSERT_TRUE(fadeStart && fadeEnd);
  EXPECT_NEAR(double(fadeEnd - fadeStart) / kRate, 0.2 * 0.94, 0.015) << "fades over 200 ms";
  // Half way through the slide the tone is at half its level.
  size_t middle = fadeStart + (fadeEnd - fadeStart) / 2;
  EXPECT_NEAR(peak(out, middle, window / 4), kTonePeak * 0.5, kTonePeak * 0.07);
  // Once faded, nothing at all.
  EXPECT_EQ(peak(out, fadeEnd + window, out.size()), 0);
}

TEST_F(DiskAudio, SlidingLastsUntilTheLongerSlideAndItsTimeHasPassed) {
  std::string tone = dir / "tone.wav";
  writeTone(tone, kWavFormat, kToneHz, 1.0, kToneAmplitude);
  play(tone);
  ASSERT_TRUE(waitForMoreOutput(recording, kRate / 10));
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, 1000, kDemoBassKeepVolume, kDemoBassKeepPan, 500));
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, kDemoBassKeepFrequency, 0, kDemoBassKeepPan, 200));
  ASSERT_TRUE(waitForSlides(1));
  auto elapsed = std::chrono::steady_clock::now() - start;
  // The output runs far ahead of the clock here, and still the caller waits
  // the 500 ms of the frequency slide, not the 200 ms of the volume slide.
  EXPECT_GE(elapsed, std::chrono::milliseconds(500));
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
  BASS_Free();
  EXPECT_FALSE(BASS_ChannelIsSliding(1)) << "no channel after the output is freed";
}

TEST_F(DiskAudio, EveryFormatTheDemoMightShipPlays) {
  struct Case {
    const char* name;
    int format;
    int rate;
  } cases[] = {
      {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
      {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000},
      {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
      {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(recording);
    std::string file = dir / c.name;
    writeTone(file, c.format, kToneHz, 0.5, kToneAmplitude, c.rate);
    play(file);
    ASSERT_TRUE(waitForMoreOutput(recording, kRate / 2));
    BASS_Free();
    // The file's own rate is its playback frequency: the pitch is 440 Hz
    // whatever the rate it was stored at.
    std::vector<int16_t> out = readLeft(recording);
    size_t at = firstNonZero(out) + kRate / 10;
    ASSERT_LT(at + kRate / 5, out.size());
    EXPECT_NEAR(zeroCrossings(out, at, kRate / 5), 2 * kToneHz / 5, 3);
    EXPECT_NEAR(peak(out, at, kRate / 5), kTonePeak, kTonePeak * 0.1);
  }
}

TEST_F(DiskAudio, FilesThatAreNotWholeAudioAreRefused) {
  std::string good = dir / "good.ogg";
  writeTone(good, SF_FORMAT_OGG | SF_FORMAT_VORBIS, kToneHz, 2.0, kToneAmplitude);
  std::string ogg = readFile(good);
  std::string flacFile = dir / "good.flac";
  writeTone(flacFile, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kToneHz, 2.0, kToneAmplitude);
  std::string flac = readFile(flacFile);
  std::string noise(100000, '\0');
  uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);

  const std::pair<const char*, std::string> bad[] = {
      {"empty", ""},
      {"text", "this is not music\n"},
      {"noise", noise},
      {"noise behind an Ogg mark", "OggS" + noise},
      {"noise behind a WAV header", "RIFF\x24\x00\x01\x00WAVEfmt " + noise},
      {"Ogg cut in its header", ogg.substr(0, 200)},
      {"Ogg cut in half", ogg.substr(0, ogg.size() / 2)},
      {"FLAC cut in half", flac.substr(0, flac.size() / 2)},
  };
  ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr));
  ASSERT_TRUE(BASS_Start());
  for (const auto& [what, bytes] : bad) {
    std::string path = dir / "data.dat";
    writeFile(path, bytes);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0x40000), 0u) << what;
  }
  EXPECT_EQ(BASS_StreamCreateFile(0, (dir / "missing.dat").c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(BASS_StreamCreateFile(0, dir.path.c_str(), 0, 0, 0), 0u) << "a directory";
  EXPECT_NE(BASS_StreamCreateFile(0, good.c_str(), 0, 0, 0x40000), 0u) << "the uncut file";
  ASSERT_TRUE(waitForMoreOutput(recording, kRate / 10));
  BASS_Free();
}

TEST(MusicLibraryLifecycle, NoAudioDeviceIsAFailedInitAndLeavesVideoWorking) {
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(BASS_Init(-1, kRate, 0, nullptr));
  EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  EXPECT_NE(SDL_SetVideoMode(64, 48, 32, SDL_SWSURFACE), nullptr);
  SDL_Quit();
}

}  // namespace
