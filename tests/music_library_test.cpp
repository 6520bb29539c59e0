// music_library_test.cpp - libdemobass measured by ear: test tones go in,
// and the samples that come out are measured. Offline rendering pins the
// slides and the decoding frame by frame; SDL's disk audio driver runs the
// real threads (decoder, audio callback, the caller's sliding query), where
// events are found in the recording by what it sounds like, never by when
// they were asked for.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <thread>

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

// Every seek the library makes, counted on the way to libsndfile's own: a
// short loop must play from memory, not from the file.
std::atomic<int> seeks{0};
extern "C" sf_count_t sf_seek(SNDFILE* file, sf_count_t frames, int whence) {
  ++seeks;
  static auto real = reinterpret_cast<decltype(&sf_seek)>(dlsym(RTLD_NEXT, "sf_seek"));
  return real(file, frames, whence);
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

constexpr double kPi = 3.14159265358979323846;
constexpr double kToneHz = 440.0;
const double kTonePeak = 0.5 * 32767;
// The steepest step the tone takes between two samples; a loop seam or a
// click jumps much further.
const double kToneMaxStep = kTonePeak * 2 * kPi * kToneHz / kRate;
constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// The 440 Hz tone at half full scale, stereo at `rate`, in `format`.
void writeTone(const std::string& path, int format, double seconds, int rate = kRate) {
  SF_INFO info{0, rate, 2, format, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
    int constant = SF_BITRATE_MODE_CONSTANT;  // as most MP3s are
    sf_command(file, SFC_SET_BITRATE_MODE, &constant, sizeof constant);
  }
  for (int64_t i = 0; i < static_cast<int64_t>(seconds * rate); ++i) {
    float v = static_cast<float>(0.5 * std::sin(2 * kPi * kToneHz * static_cast<double>(i) / rate));
    float frame[2] = {v, v};
    sf_writef_float(file, frame, 1);
  }
  sf_close(file);
}

double steepestStep(const std::vector<int16_t>& s, size_t from, size_t to) {
  double steepest = 0;
  for (size_t i = from + 1; i < to && i < s.size(); ++i)
    steepest = std::max(steepest, std::fabs(s[i] - s[i - 1] + 0.0));
  return steepest;
}

// The tone's pitch (Hz) over the cycle that spans frame `at`, from the
// interpolated positions where the signal rises through zero.
double pitchAt(const std::vector<int16_t>& s, double at) {
  double before = -1;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] >= 0 || s[i] < 0) continue;
    double rise = double(i - 1) + double(-s[i - 1]) / (s[i] - s[i - 1]);
    if (rise > at) return before < 0 ? 0 : kRate / (rise - before);
    before = rise;
  }
  return 0;
}

// Offline: the library renders on the test's thread, so a slide asked for
// between two renders starts exactly at the frame rendered next.
class MusicLibrary : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::vector<int16_t> out;  // left channel of everything rendered

  void SetUp() override { ASSERT_TRUE(DemoBass_InitOffline(kRate)); }
  void TearDown() override { BASS_Free(); }

  void play(const std::string& file, uint32_t flags = kDemoBassLoop) {
    uint32_t stream = BASS_StreamCreateFile(0, file.c_str(), 0, 0, 0x40000);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_StreamPlay(stream, 1, flags));
  }
  void render(size_t frames) {
    std::string bytes(frames * 4, '\0');
    ASSERT_TRUE(DemoBass_Render(reinterpret_cast<int16_t*>(bytes.data()), frames));
    std::vector<int16_t> left = leftOf(bytes);
    out.insert(out.end(), left.begin(), left.end());
  }
  // A looping 1 s tone, and half a second into it the slide asked for.
  void slideAfterHalfASecond(int frequency, int volume, uint32_t ms) {
    writeTone(dir / "tone.wav", kWav, 1.0);
    play(dir / "tone.wav");
    render(kRate / 2);
    ASSERT_TRUE(BASS_ChannelSlideAttributes(1, frequency, volume, kDemoBassKeepPan, ms));
    render(kRate);
  }
};

TEST_F(MusicLibrary, FrequencySlideLowersPitchLinearlyOverItsTime) {
  slideAfterHalfASecond(1000, kDemoBassKeepVolume, 500);
  // The pitch follows the playback frequency, from 440 Hz at the file's
  // 44.1 kHz down a straight line to 440 * 1000 / 44100 Hz, then holds.
  const double slide = kRate / 2;
  for (double part : {-0.1, 0.25, 0.5, 0.75}) {
    double frequency = 44100 - 43100 * std::max(part, 0.0);
    EXPECT_NEAR(pitchAt(out, slide * (1 + part)), kToneHz * frequency / 44100, 3) << part;
  }
  EXPECT_NEAR(pitchAt(out, 2.5 * slide), kToneHz * 1000 / 44100, 0.2);
  EXPECT_LT(steepestStep(out, kRate / 10, out.size()), kToneMaxStep * 1.1) << "a click";
}

TEST_F(MusicLibrary, VolumeSlideFadesLinearlyToSilence) {
  slideAfterHalfASecond(kDemoBassKeepFrequency, 0, 200);
  const size_t start = kRate / 2, fade = kRate / 5, cycle = kRate / 440 + 1;
  for (double part : {-0.1, 0.25, 0.5, 0.75, 0.9}) {
    size_t at = static_cast<size_t>(start + fade * part) - cycle / 2;
    EXPECT_NEAR(peak(out, at, cycle), kTonePeak * (1 - std::max(part, 0.0)), kTonePeak * 0.01)
        << part;
  }
  // Silence from the end on (slides step every 64 frames).
  EXPECT_EQ(peak(out, start + fade + 64, out.size()), 0);
}

TEST_F(MusicLibrary, EveryFormatPlaysAtItsOwnRateAndOnceWithoutTheLoopFlag) {
  const struct {
    const char* name;
    int format, rate;
  } cases[] = {
      {"tone.wav", kWav, 44100},
      {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000},
      {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
      {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    out.clear();
    writeTone(dir / c.name, c.format, 0.5, c.rate);
    play(dir / c.name, 0);
    render(kRate);
    size_t on = firstNonZero(out), at = on + kRate / 10;
    EXPECT_NEAR(zeroCrossings(out, at, kRate / 5), 2 * kToneHz / 5, 3);
    EXPECT_NEAR(peak(out, at, kRate / 5), kTonePeak, kTonePeak * 0.1);
    size_t last = out.size() - firstNonZero(std::vector<int16_t>(out.rbegin(), out.rend()));
    EXPECT_NEAR(double(last - on), 0.5 * kRate, 0.005 * kRate) << "the file's 0.5 s, once";
  }
}

TEST_F(MusicLibrary, FilesThatAreNotWholeAudioAreRefused) {
  writeTone(dir / "good.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2.0);
  writeTone(dir / "good.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2.0);
  std::string ogg = readFile(dir / "good.ogg"), flac = readFile(dir / "good.flac");
  std::string noise(100000, '\0');
  uint32_t x = 12345;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  const std::pair<const char*, std::string> bad[] = {
      {"noise", noise},
      {"noise behind an Ogg mark", "OggS" + noise},
      {"noise behind a WAV header", "RIFF\x24\x00\x01\x00WAVEfmt " + noise},
      {"Ogg cut in its header", ogg.substr(0, 200)},
      {"Ogg cut in half", ogg.substr(0, ogg.size() / 2)},
      {"FLAC cut in half", flac.substr(0, flac.size() / 2)},
  };
  for (const auto& [what, bytes] : bad) {
    writeFile(dir / "data.dat", bytes);
    EXPECT_EQ(BASS_StreamCreateFile(0, (dir / "data.dat").c_str(), 0, 0, 0x40000), 0u) << what;
  }
  // Without its first frame, the Info header LAME writes (417 bytes at
  // 128 kbit/s, 44.1 kHz), an MP3's length is only libsndfile's estimate
  // from the file's size, a little above what decodes.
  writeTone(dir / "info.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2.0);
  std::string mp3 = readFile(dir / "info.mp3");
  ASSERT_EQ(mp3.substr(417, 2), "\xff\xfb") << "not a 417-byte first frame";
  writeFile(dir / "bare.mp3", mp3.substr(417));
  for (const char* good : {"good.ogg", "bare.mp3"}) {
    EXPECT_NE(BASS_StreamCreateFile(0, (dir / good).c_str(), 0, 0, 0x40000), 0u) << good;
  }
}

// A file no longer than a second is held whole and looped from memory:
// from the file, one sample long, it cost a seek per sample played.
TEST_F(MusicLibrary, AShortLoopPlaysFromMemory) {
  writeTone(dir / "tone.wav", kWav, 0.25);  // 110 cycles: a seamless loop
  SF_INFO info{0, kRate, 2, kWav, 0, 0};
  SNDFILE* file = sf_open((dir / "one.wav").c_str(), SFM_WRITE, &info);
  const float sample[2] = {0.5f, 0.5f};
  ASSERT_EQ(sf_writef_float(file, sample, 1), 1);
  sf_close(file);
  for (const char* name : {"tone.wav", "one.wav"}) {
    SCOPED_TRACE(name);
    TearDown();
    SetUp();
    out.clear();
    play(dir / name);
    seeks = 0;
    render(kRate);
    EXPECT_EQ(seeks, 0);
    const size_t from = kRate / 10;  // past the resampler's start
    EXPECT_NEAR(peak(out, from, kRate), kTonePeak, kTonePeak * 0.02);
    EXPECT_LT(steepestStep(out, from, out.size()), kToneMaxStep * 1.1) << "a gap or a jump";
  }
}

// Real time, through SDL's disk audio driver at about three times real time
// (with no delay at all it would outrun a decoder a second ahead on a busy
// machine, and the gaps would be the test's own doing).
TEST(DiskAudio, LoopsWithoutASeamAndSlidingLastsTheLongerSlidesTime) {
  ScratchDir dir;
  std::string recording = dir / "out.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "8", 1);  // ms per 23 ms buffer
  auto recorded = [&] {
    std::error_code missing;
    return static_cast<size_t>(std::filesystem::file_size(recording, missing) / 4);
  };
  // 1.25 s holds exactly 550 cycles, so a seamless loop is a clean tone; at
  // over a second it is not held in memory but read again, from its start.
  writeTone(dir / "short.wav", kWav, 1.25);
  ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr));
  uint32_t stream = BASS_StreamCreateFile(0, (dir / "short.wav").c_str(), 0, 0, 0x40000);
  EXPECT_EQ(stream, 1u) << "the first stream is channel 1, which the demo's end addresses";
  ASSERT_TRUE(BASS_Start());
  ASSERT_TRUE(BASS_StreamPlay(stream, 1, kDemoBassLoop));
  for (auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       recorded() < 2 * kRate;) {
    ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the output stalled";
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const size_t looped = recorded();

  // The output runs ahead of the clock, and still the caller waits the
  // 500 ms of the frequency slide, not the 200 ms of the volume slide.
  auto asked = std::chrono::steady_clock::now();
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, 1000, kDemoBassKeepVolume, kDemoBassKeepPan, 500));
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, kDemoBassKeepFrequency, 0, kDemoBassKeepPan, 200));
  EXPECT_TRUE(BASS_ChannelIsSliding(1)) << "sliding from the moment it is asked for";
  while (BASS_ChannelIsSliding(1) &&
         std::chrono::steady_clock::now() - asked < std::chrono::seconds(10)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  auto waited = std::chrono::steady_clock::now() - asked;
  EXPECT_GE(waited, std::chrono::milliseconds(500));
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
  BASS_Free();
  EXPECT_FALSE(BASS_ChannelIsSliding(1)) << "no channel after the output is freed";

  // Before the slides: the tone without a gap, a jump or a missed cycle.
  std::vector<int16_t> left = leftOf(readFile(recording));
  const size_t start = firstNonZero(left) + kRate / 20, end = looped - kRate / 20,
               window = kRate / 100;
  ASSERT_GT(end, start + kRate) << "under a second recorded after the start";
  for (size_t at = start; at + window <= end; at += window) {
    ASSERT_NEAR(peak(left, at, window), kTonePeak, kTonePeak * 0.05) << "gap at frame " << at;
    ASSERT_NEAR(zeroCrossings(left, at, window), 2 * kToneHz / 100, 2) << "at frame " << at;
  }
  EXPECT_LT(steepestStep(left, start, end), kToneMaxStep * 1.1) << "a jump where the stream loops";
}

// A program that exits, or unloads the library, with a stream playing and
// no BASS_Free: the library stops its own threads ("terminate called" and
// an abort before). The library is loaded from a copy, which unloading
// really unmaps; the child plays on for a moment after each step.
TEST(MusicLibraryDeathTest, ExitOrUnloadWithAStreamPlayingEndsCleanly) {
  ScratchDir dir;
  writeTone(dir / "tone.wav", kWav, 2.0);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  Dl_info self{};
  ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&BASS_Init), &self));
  std::filesystem::copy_file(self.dli_fname, dir / "libcopy.so");
  auto playThen = [&](bool unload) {
    void* library = dlopen((dir / "libcopy.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry = [&](const char* name) { return dlsym(library, name); };
    reinterpret_cast<BassInitFn>(entry("BASS_Init"))(-1, kRate, 0, nullptr);
    uint32_t stream = reinterpret_cast<BassStreamCreateFileFn>(entry("BASS_StreamCreateFile"))(
        0, (dir / "tone.wav").c_str(), 0, 0, 0);
    reinterpret_cast<BassStartFn>(entry("BASS_Start"))();
    bool playing =
        reinterpret_cast<BassStreamPlayFn>(entry("BASS_StreamPlay"))(stream, 1, kDemoBassLoop);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (unload) dlclose(library);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    exit(playing ? 0 : 1);
  };
  for (bool unload : {false, true})
    EXPECT_EXIT(playThen(unload), testing::ExitedWithCode(0), "") << unload;
}

// ALSA prints lines of its own when the card is missing; the caller reports
// a missing device in its own words, so the library keeps ALSA quiet.
TEST(MusicLibraryDevice, MissingAlsaCardFailsInitWithNothingOnStderr) {
  ScratchDir dir;
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  setenv("AUDIODEV", "hw:99,0", 1);  // a card no machine has
  int saved = dup(2), err = open((dir / "stderr.txt").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(dup2(err, 2), 0);
  bool initialised = BASS_Init(-1, kRate, 0, nullptr);
  dup2(saved, 2);
  close(err);
  close(saved);
  EXPECT_FALSE(initialised);
  EXPECT_EQ(readFile(dir / "stderr.txt"), "");
}

}  // namespace
