// music_library_test.cpp - libdemobass measured by ear: test tones go in,
// and the samples that come out are measured. Offline rendering pins the
// slides and the decoding frame by frame; SDL's disk audio driver runs the
// real threads (decoder, audio callback, the caller's sliding query), where
// events are found in the recording by what it sounds like, never by when
// they were asked for. Last, the whole demo plays its own music through it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "audio/demobass.h"
#include "host/music.h"

// Every seek the library makes, and every frame it reads, counted on the
// way to libsndfile's own: a short loop must play from memory, not from the
// file, and opening a long file must not read it through.
std::atomic<int> seeks{0};
std::atomic<long long> framesRead{0};
extern "C" sf_count_t sf_seek(SNDFILE* file, sf_count_t frames, int whence) {
  static auto real = reinterpret_cast<decltype(&sf_seek)>(dlsym(RTLD_NEXT, "sf_seek"));
  return ++seeks, real(file, frames, whence);
}
extern "C" sf_count_t sf_readf_float(SNDFILE* file, float* out, sf_count_t frames) {
  static auto real =
      reinterpret_cast<decltype(&sf_readf_float)>(dlsym(RTLD_NEXT, "sf_readf_float"));
  const sf_count_t got = real(file, out, frames);
  return framesRead += std::max<sf_count_t>(got, 0), got;
}

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using Samples = std::vector<int16_t>;
using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100, kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kOgg = SF_FORMAT_OGG | SF_FORMAT_VORBIS, kFlac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
constexpr double kToneHz = 440.0, kTonePeak = 0.5 * 32767;
// The steepest step the tone takes between two samples; a loop seam or a
// click jumps much further.
constexpr double kToneMaxStep = kTonePeak * 2 * std::numbers::pi * kToneHz / kRate;

// A path in this process's scratch directory, which goes at its exit (but
// not at the exit of a death test's child).
std::string scratch(const std::string& name) {
  static const struct Dir {
    pid_t owner = getpid();
    std::string path = mkdtemp("/tmp/musictest-XXXXXX"s.data());
    ~Dir() {
      if (getpid() == owner) std::filesystem::remove_all(path);
    }
  } dir;
  return dir.path + "/" + name;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One channel (0 left, 1 right) of interleaved 16-bit stereo bytes.
Samples channel(const std::string& bytes, int side) {
  Samples s(bytes.size() / 4);
  for (size_t i = 0; i < s.size(); ++i) memcpy(&s[i], bytes.data() + 4 * i + 2 * side, 2);
  return s;
}

size_t firstNonZero(const Samples& s) {
  return std::find_if(s.begin(), s.end(), [](int v) { return v; }) - s.begin();
}

struct Measures {
  double peak = 0, crossings = 0, steepest = 0, rms = 0;
};
// Over [from, from + count), clipped to the signal.
Measures measure(const Samples& s, size_t from, size_t count) {
  Measures m;
  for (size_t i = std::max<size_t>(from, 1); i < from + count && i < s.size(); ++i) {
    m.peak = std::max(m.peak, std::abs(s[i]) + 0.0);
    m.crossings += (s[i - 1] < 0) != (s[i] < 0);
    m.steepest = std::max(m.steepest, std::abs(s[i] - s[i - 1]) + 0.0);
    m.rms += double(s[i]) * s[i] / count;
  }
  m.rms = std::sqrt(m.rms);
  return m;
}

// The tone's pitch (Hz) over the cycle that spans frame `at`, from the
// interpolated positions where the signal rises through zero.
double pitchAt(const Samples& s, double at) {
  double before = -1;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] >= 0 || s[i] < 0) continue;
    double rise = double(i - 1) + double(-s[i - 1]) / (s[i] - s[i - 1]);
    if (rise > at) return before < 0 ? 0 : kRate / (rise - before);
    before = rise;
  }
  return 0;
}

// Writes the 440 Hz tone at half full scale, an octave up from `octaveUpAt`
// seconds on, stereo at `rate`, in `format` as the scratch file `name`;
// returns its path. A cosine: one frame of it is a constant.
std::string tone(const std::string& name, int format, double seconds, int rate = kRate,
                 double octaveUpAt = 1e9) {
  SF_INFO info{0, rate, 2, format, 0, 0};
  SNDFILE* file = sf_open(scratch(name).c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  int constant = SF_BITRATE_MODE_CONSTANT;  // as most MP3s are
  if (format == kMp3) sf_command(file, SFC_SET_BITRATE_MODE, &constant, sizeof constant);
  std::vector<float> frames(2 * size_t(seconds * rate));
  for (size_t i = 0; i < frames.size(); ++i) {
    const double hz = double(i / 2) < octaveUpAt * rate ? kToneHz : 2 * kToneHz;
    frames[i] = float(0.5 * std::cos(2 * std::numbers::pi * hz * double(i / 2) / rate));
  }
  sf_writef_float(file, frames.data(), sf_count_t(frames.size() / 2));
  sf_close(file);
  return scratch(name);
}

// The library rendering offline on the test's thread, so a slide asked for
// between two renders starts exactly at the frame rendered next.
struct Offline {
  std::string out;  // every frame rendered
  Offline() { EXPECT_TRUE(DemoBass_InitOffline(kRate)); }
  ~Offline() { BASS_Free(); }
  void play(const std::string& file, uint32_t flags = kMusicLoop) {
    EXPECT_TRUE(BASS_StreamPlay(BASS_StreamCreateFile(0, file.c_str(), 0, 0, 0), 1, flags)) << file;
  }
  // One channel of everything rendered, `frames` more first.
  Samples render(size_t frames, int side = 0) {
    std::string more(frames * 4, '\0');
    EXPECT_TRUE(DemoBass_Render(reinterpret_cast<int16_t*>(more.data()), frames));
    return channel(out += more, side);
  }
};

// A looping 1 s tone, and half a second into it the slide asked for.
Samples slid(int frequency, int volume, int pan, uint32_t ms, int side = 0) {
  Offline music;
  music.play(tone("slid.wav", kWav, 1.0));
  music.render(kRate / 2);
  EXPECT_TRUE(BASS_ChannelSlideAttributes(1, frequency, volume, pan, ms));
  return music.render(kRate, side);
}

TEST(MusicLibrary, FrequencySlideLowersPitchLinearlyOverItsTime) {
  const Samples out = slid(1000, kMusicKeepVolume, kMusicKeepPan, 500);
  // From 440 Hz at the file's 44.1 kHz down a straight line to
  // 440 * 1000 / 44100 Hz, then holding there.
  for (double part : {-0.1, 0.25, 0.5, 0.75, 1.5}) {
    const double hz = kToneHz * (44100 - 43100 * std::clamp(part, 0.0, 1.0)) / 44100;
    EXPECT_NEAR(pitchAt(out, kRate / 2 * (1 + part)), hz, part > 1 ? 0.2 : 3) << part;
  }
  EXPECT_LT(measure(out, kRate / 10, 2 * kRate).steepest, kToneMaxStep * 1.1) << "a click";
}

// Fading out and panning full left at once: the right channel gets both
// ramps, the left only the volume's, and silence follows.
TEST(MusicLibrary, VolumeAndPanSlideLinearlyToSilenceOnTheirSide) {
  const Samples left = slid(-1, 0, -100, 200), right = slid(-1, 0, -100, 200, 1);
  const size_t start = kRate / 2, fade = kRate / 5, cycle = kRate / 440 + 1;
  for (double part : {-0.1, 0.25, 0.5, 0.75, 0.9}) {
    size_t at = size_t(start + fade * part) - cycle / 2;
    double gain = 1 - std::max(part, 0.0);
    EXPECT_NEAR(measure(left, at, cycle).peak, kTonePeak * gain, kTonePeak * 0.01) << part;
    EXPECT_NEAR(measure(right, at, cycle).peak, kTonePeak * gain * gain, kTonePeak * 0.02) << part;
  }
  // Slides step every 64 frames.
  EXPECT_EQ(measure(left, start + fade + 64, kRate).peak, 0);
}

// (WAV at the output's rate plays in every other test.)
TEST(MusicLibrary, EveryFormatPlaysAtItsOwnRateAndOnceWithoutTheLoopFlag) {
  const std::tuple<const char*, int, int> cases[] = {
      {"tone.flac", kFlac, 48000}, {"tone.ogg", kOgg, 44100}, {"tone.mp3", kMp3, 22050}};
  for (auto [name, format, rate] : cases) {
    Offline music;
    music.play(tone(name, format, 0.5, rate), 0);
    const Samples out = music.render(kRate);
    const size_t on = firstNonZero(out),
                 off = out.size() - firstNonZero(Samples(out.rbegin(), out.rend()));
    const Measures m = measure(out, on + kRate / 10, kRate / 5);
    EXPECT_NEAR(m.crossings, 2 * kToneHz / 5, 3) << name;
    EXPECT_NEAR(m.peak, kTonePeak, kTonePeak * 0.1) << name;
    EXPECT_NEAR(double(off - on), 0.5 * kRate, 0.005 * kRate) << name << ": the file's 0.5 s, once";
  }
}

TEST(MusicLibrary, FilesWhoseStartIsNotAudioAreRefused) {
  Offline music;
  const std::string ogg = readFile(tone("good.ogg", kOgg, 2.0));
  const std::string flac = readFile(tone("good.flac", kFlac, 2.0));
  std::string noise(100000, '\0');
  uint32_t x = 12345;
  for (char& c : noise) c = char((x = x * 1103515245 + 12345) >> 24);
  // Without its first frame, the Info header LAME writes (417 bytes at
  // 128 kbit/s, 44.1 kHz), an MP3's length is only libsndfile's estimate
  // from the file's size, a little above what decodes: still playable.
  const std::string mp3 = readFile(tone("info.mp3", kMp3, 2.0));
  ASSERT_EQ(mp3.substr(417, 2), "\xff\xfb") << "not a 417-byte first frame";
  // Plain noise, and the real data.dat with a byte appended (it plays), are
  // fault_injection.sh's. Its length unknown to libsndfile, an Ogg file plays
  // as far as it decodes: cut in half, nothing of its one page of audio.
  const std::tuple<const char*, std::string, bool> files[] = {
      {"noise behind an Ogg mark", "OggS" + noise, false},
      {"noise behind a WAV header", "RIFF\x24\x00\x01\x00WAVEfmt "s + noise, false},
      {"Ogg cut in its header", ogg.substr(0, 200), false},
      {"FLAC cut in its first second", flac.substr(0, flac.size() / 8), false},
      {"Ogg cut in half", ogg.substr(0, ogg.size() / 2), false},
      {"bare.mp3", mp3.substr(417), true},
  };
  for (const auto& [name, bytes, playable] : files) {
    std::ofstream(scratch(name), std::ios::binary) << bytes;
    EXPECT_EQ(BASS_StreamCreateFile(0, scratch(name).c_str(), 0, 0, 0) != 0, playable) << name;
  }
}

// Opening reads the first second only, so a long file opens at once. Damage
// further on, here a FLAC file cut short of the length its header declares,
// ends the stream there, or loops it back from there, and adds no noise.
TEST(MusicLibrary, OpeningReadsOneSecondAndDamageFurtherOnIsTheEnd) {
  const std::string whole = readFile(tone("long.flac", kFlac, 4.0)), cut = scratch("cut.flac");
  std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() / 2);
  SF_INFO info{};
  SNDFILE* file = sf_open(cut.c_str(), SFM_READ, &info);
  std::vector<float> all(2 * size_t(info.frames));
  const size_t intact = size_t(sf_readf_float(file, all.data(), info.frames));
  sf_close(file);
  ASSERT_TRUE(intact > kRate && intact < 3 * kRate) << intact;
  for (uint32_t flags : {0u, kMusicLoop}) {
    Offline music;
    framesRead = 0;
    music.play(cut, flags);
    EXPECT_LE(framesRead, kRate) << "frames read to open";
    const Samples out = music.render(intact + 2 * kRate);
    // The tone, clean, up to the damage; after it silence, or the tone
    // again from its start.
    const size_t on = firstNonZero(out), cutAt = on + intact;
    const Measures before = measure(out, on + kRate / 10, intact - kRate / 5);
    EXPECT_NEAR(before.peak, kTonePeak, kTonePeak * 0.02) << flags;
    EXPECT_LT(before.steepest, kToneMaxStep * 1.1) << flags;
    const Measures after = measure(out, cutAt + kRate / 10, kRate);
    EXPECT_NEAR(after.peak, flags ? kTonePeak : 0, kTonePeak * 0.02) << flags;
    EXPECT_LT(after.steepest, kToneMaxStep * 1.1) << flags;
  }
}

// A file no longer than a second is held whole and looped from memory:
// from the file, one sample long, it cost a seek per sample played.
TEST(MusicLibrary, AShortLoopPlaysFromMemory) {
  // 0.25 s of the tone holds 110 cycles: a seamless loop.
  for (const std::string& file :
       {tone("short.wav", kWav, 0.25), tone("one.wav", kWav, 1.5 / kRate)}) {
    Offline music;
    music.play(file);
    seeks = 0;
    // From a tenth of a second on, past the resampler's start.
    const Measures m = measure(music.render(kRate), kRate / 10, kRate);
    EXPECT_EQ(seeks, 0) << file;
    EXPECT_NEAR(m.peak, kTonePeak, kTonePeak * 0.02) << file;
    EXPECT_LT(m.steepest, kToneMaxStep * 1.1) << file << ": a gap or a jump";
  }
}

// Moves land where they were asked for, in the file's own seconds, as the
// position says, fading out and in without a click; a place past the file's
// end is where the loop puts it. The file says where it is: 2 s of the tone,
// then 2 s an octave up, at 48 kHz, read from the file (longer than the ring).
TEST(MusicLibrary, AMoveIsHeardWhereAskedWithoutAClickAndThePositionFollows) {
  Offline music;
  music.play(tone("two.wav", kWav, 4.0, 48000, 2.0));
  music.render(kRate / 2);
  EXPECT_NEAR(DemoBass_ChannelGetPosition(1), 0.5, 0.005);
  const struct { double to, hz; } moves[] = {{3.0, 2 * kToneHz}, {4.5, kToneHz}, {1.0, kToneHz}};
  for (const auto [to, hz] : moves) {
    const size_t at = music.out.size() / 4;
    ASSERT_TRUE(DemoBass_ChannelSetPosition(1, to));
    const Samples out = music.render(kRate / 4);
    // The fades (15 ms each) and the refill (a block) take under 60 ms.
    EXPECT_NEAR(pitchAt(out, at + kRate / 10), hz, 2) << "moved to " << to;
    EXPECT_NEAR(DemoBass_ChannelGetPosition(1), to + 0.25, 0.06) << "moved to " << to;
    EXPECT_LT(measure(out, at, kRate / 4).steepest, 2 * kToneMaxStep * 1.1) << "a click at " << to;
  }
  EXPECT_FALSE(DemoBass_ChannelSetPosition(1, -1.0) || DemoBass_ChannelSetPosition(1, NAN) ||
               DemoBass_ChannelSetPosition(2, 1.0));
  EXPECT_LT(DemoBass_ChannelGetPosition(2), 0);
}

// SDL's disk audio driver records what the library plays, at about three
// times real time (with no delay at all it would outrun a decoder a second
// ahead on a busy machine, and the gaps would be the test's own doing).
TEST(DiskAudio, LoopsWithoutASeamAndSlidingLastsTheLongerSlidesTime) {
  const std::string recording = scratch("out.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "8", 1);  // ms per 23 ms buffer
  ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr));
  // 1.25 s holds exactly 550 cycles, so a seamless loop is a clean tone; at
  // over a second it is not held in memory but read again, from its start.
  const std::string file = tone("long.wav", kWav, 1.25);
  ASSERT_TRUE(BASS_StreamPlay(BASS_StreamCreateFile(0, file.c_str(), 0, 0, 0), 1, kMusicLoop));
  ASSERT_TRUE(BASS_Start());
  for (auto began = Clock::now(); std::filesystem::file_size(recording) < 8 * kRate;) {
    ASSERT_LT(Clock::now() - began, 20s) << "the output stalled";
    std::this_thread::sleep_for(1ms);
  }
  const size_t looped = std::filesystem::file_size(recording) / 4;
  // The position heard runs on with the output, a device buffer behind it.
  const double heard = DemoBass_ChannelGetPosition(1);
  EXPECT_TRUE(heard > 0.5 && heard <= double(looped) / kRate) << heard << " s, " << looped;

  // The output runs ahead of the clock, and still the caller waits the
  // 500 ms of the frequency slide, not the 200 ms of the volume slide.
  const auto asked = Clock::now();
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, 1000, kMusicKeepVolume, kMusicKeepPan, 500));
  ASSERT_TRUE(BASS_ChannelSlideAttributes(1, kMusicKeepFrequency, 0, kMusicKeepPan, 200));
  EXPECT_TRUE(BASS_ChannelIsSliding(1)) << "sliding from the moment it is asked for";
  while (BASS_ChannelIsSliding(1) && Clock::now() - asked < 10s) std::this_thread::sleep_for(1ms);
  const auto waited = Clock::now() - asked;
  EXPECT_TRUE(waited >= 500ms && waited < 1500ms) << (waited / 1ms) << " ms";
  BASS_Free();

  // Before the slides: the tone without a gap or a jump.
  const Samples left = channel(readFile(recording), 0);
  const size_t start = firstNonZero(left) + kRate / 20, end = looped - kRate / 20;
  ASSERT_GT(end, start + kRate) << "under a second recorded after the start";
  for (size_t at = start; at + kRate / 100 <= end; at += kRate / 100)
    ASSERT_NEAR(measure(left, at, kRate / 100).peak, kTonePeak, kTonePeak * 0.05)
        << "a gap at " << at;
  EXPECT_LT(measure(left, start, end - start).steepest, kToneMaxStep * 1.1) << "a jump at the loop";
}

// A program that exits, or unloads the library, with a stream playing and
// no BASS_Free: the library stops its own threads ("terminate called" and
// an abort before). The demo's binding plays the music as the demo does,
// from the copy of the library beside this test, which unloading really
// unmaps; the child plays on for a moment after each step.
TEST(MusicLibraryDeathTest, ExitOrUnloadWithAStreamPlayingEndsCleanly) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  tone("data.dat", kWav, 2.0);
  auto playThen = [](bool unload) {
    if (chdir(scratch("").c_str()) != 0) exit(2);
    musicStart();
    const bool playing = musicApi.module != nullptr;
    std::this_thread::sleep_for(200ms);
    if (unload) unloadMusicApi();
    std::this_thread::sleep_for(200ms);
    exit(playing ? 0 : 1);
  };
  for (bool unload : {false, true})
    EXPECT_EXIT(playThen(unload), testing::ExitedWithCode(0), "") << unload;
}

// The whole demo as the README runs it (from the build directory, with the
// data.dat the build rendered) on an X server, recorded by the disk audio
// driver at its real pace: let it play, end it with Escape, and listen:
// music, then the slow-down, then silence, and exit status 0. (Skips move
// the music to the scenes' sections, whose busier music would need another
// measure of the slow-down; the library's moves are tested above.)
TEST(MusicEndToEnd, DemoPlaysTheMusicThenSlowsItDownAndFadesItOut) {
  const std::string run = "bash -c '. " DEMO_TESTS_DIR "/support/demo_on_x.sh && start_x && " +
                          "SDL_DISKAUDIODELAY=23 SDL_DISKAUDIOFILE="s + scratch("demo.raw") +
                          " run_demo " DEMO_BUILD_DIR
                          " ./demo Escape 4; echo $lines; exit $status'";
  const int status = std::system((run + " >" + scratch("report")).c_str());
  EXPECT_EQ(status, 0) << readFile(scratch("report"));

  const Samples out = channel(readFile(scratch("demo.raw")), 0);
  // A slow (sanitizer) build on a busy machine takes a while to start.
  const size_t window = kRate / 20, start = firstNonZero(out), span = kRate * 3 / 2;
  ASSERT_GT(out.size(), start + span + kRate) << "under two and a half seconds of sound";
  // Music: loud enough, never clipped, busy with high and low notes.
  const Measures music = measure(out, start, span);
  EXPECT_GT(music.rms, 2000);
  EXPECT_LT(measure(out, start, out.size()).peak, 32767);
  // The slow-down: somewhere in the last 700 ms (looked at every 10 ms) the
  // music is still audible but crosses zero far less often, its pitch fallen.
  size_t slowed = 0;
  for (size_t at = out.size() - 14 * window; !slowed && at + window <= out.size(); at += 441) {
    const Measures m = measure(out, at, window);
    if (m.rms > music.rms * 0.05 && m.crossings < music.crossings * window / span / 5) slowed = at;
  }
  EXPECT_GT(slowed, start + span) << "no slowed-down music before the end";
  EXPECT_LT(measure(out, out.size() - 256, 256).peak, 328) << "no silence at the end";
}

}  // namespace
