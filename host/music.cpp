// music.cpp - starting and ending the demo's music through the run-time
// loaded music library.
//
// The values passed are the music's design: the output at the library's
// default device and 44.1 kHz, the stream looping from the start, and at the
// end a slow-down to 1000 Hz (the tune drops in pitch and tempo) with a fade
// to silence that starts 300 ms into it. The end's slides address channel 1,
// which the library gives to the first stream it opens; the demo opens only
// this one.
#include "host/music.h"

#include <cstdio>

MusicApi musicApi{};

namespace {

constexpr int32_t kDefaultDevice = -1;
constexpr int32_t kFlushBeforePlay = 1;
constexpr uint32_t kLoopFlag = 4;

constexpr int32_t kKeepFrequency = -1;
constexpr int32_t kKeepVolume = -1;
constexpr int32_t kKeepPan = -101;
constexpr uint32_t kSlidePollMs = 1;
// How long past the slides' own time the end waits for a library that
// still reports a slide: it has stalled, and the demo goes.
constexpr uint32_t kSlideOverrunMs = 1500;
constexpr int64_t kNsPerMs = 1'000'000;

const char* missingEntry = nullptr;
bool musicPlaying = false;

// Looks `name` up into `slot`; remembers the first name that failed.
template <typename Fn>
void resolve(Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(platform::GetProcAddress(musicApi.module, name));
  if (slot == nullptr && missingEntry == nullptr) missingEntry = name;
}

void runSilent(const char* why) { fprintf(stderr, "demo: %s; running without music\n", why); }

// Takes the inputs given meanwhile; true when one asks to quit.
bool quitGiven() {
  bool quit = false;
  DemoInput input;
  while (nextInput(input)) quit = quit || input == DemoInput::Quit;
  return quit;
}

// Why the library could not open the music file, in the viewer's terms.
const char* musicFileProblem() {
  switch (probeFile(kMusicFile)) {
    case FileAccess::Missing:
      return "music file \"data.dat\" not found";
    case FileAccess::Unreadable:
      return "music file \"data.dat\" is not readable";
    case FileAccess::NoDescriptors:
      return "music file \"data.dat\" cannot be opened: too many open files";
    case FileAccess::Readable:
      break;
  }
  return "music file \"data.dat\" is not playable audio";
}

// Loads "BASS.DLL" (every platform maps the name to our own library) and
// looks up every entry point. Returns true when the library and all entry
// points were found; otherwise whatever did load stays loaded until
// unloadMusicApi(), and musicStart() names the first missing entry point.
bool loadMusicApi() {
  unloadMusicApi();  // a second load must not lose the first handle
  missingEntry = nullptr;
  musicApi.module = platform::LoadLibraryA(platform::kMusicLibraryName);
  if (musicApi.module == nullptr) return false;
  resolve(musicApi.BASS_Init, "BASS_Init");
  resolve(musicApi.BASS_StreamCreateFile, "BASS_StreamCreateFile");
  resolve(musicApi.BASS_Start, "BASS_Start");
  resolve(musicApi.BASS_StreamPlay, "BASS_StreamPlay");
  resolve(musicApi.BASS_ChannelSlideAttributes, "BASS_ChannelSlideAttributes");
  resolve(musicApi.BASS_ChannelIsSliding, "BASS_ChannelIsSliding");
  resolve(musicApi.BASS_Free, "BASS_Free");
  // The position pair is optional: a library with one of them only gets neither.
  musicApi.DemoBass_ChannelGetPosition = reinterpret_cast<DemoBassChannelGetPositionFn>(
      platform::GetProcAddress(musicApi.module, "DemoBass_ChannelGetPosition"));
  musicApi.DemoBass_ChannelSetPosition = reinterpret_cast<DemoBassChannelSetPositionFn>(
      platform::GetProcAddress(musicApi.module, "DemoBass_ChannelSetPosition"));
  if (musicApi.DemoBass_ChannelGetPosition == nullptr ||
      musicApi.DemoBass_ChannelSetPosition == nullptr) {
    musicApi.DemoBass_ChannelGetPosition = nullptr;
    musicApi.DemoBass_ChannelSetPosition = nullptr;
  }
  return missingEntry == nullptr;
}

}  // namespace

void unloadMusicApi() {
  if (musicApi.module != nullptr) platform::FreeLibrary(musicApi.module);
  musicApi = MusicApi{};
}

void musicStart() {
  if (!loadMusicApi()) {
    char why[640];
    if (musicApi.module == nullptr) {
      snprintf(why, sizeof why, "cannot load the music library: %s", platform::lastLoadError());
    } else {
      snprintf(why, sizeof why, "the music library %s lacks %s", platform::kMusicLibraryName,
               missingEntry);
    }
    runSilent(why);
    unloadMusicApi();
    return;
  }
  if (!musicApi.BASS_Init(kDefaultDevice, kMusicOutputRate, 0, nullptr)) {
    runSilent("no audio output device could be opened");
    unloadMusicApi();
    return;
  }
  uint32_t stream = musicApi.BASS_StreamCreateFile(0, kMusicFile, 0, 0, kMusicStreamFlags);
  const char* problem = nullptr;
  if (stream == 0) {
    problem = musicFileProblem();
  } else if (!musicApi.BASS_Start()) {
    problem = "the audio output would not start";
  } else if (!musicApi.BASS_StreamPlay(stream, kFlushBeforePlay, kLoopFlag)) {
    problem = "the music stream would not play";
  }
  if (problem != nullptr) {
    runSilent(problem);
    musicApi.BASS_Free();
    unloadMusicApi();
    return;
  }
  musicPlaying = true;
}

double musicHeardSeconds() {
  if (!musicPlaying || musicApi.DemoBass_ChannelGetPosition == nullptr) return -1.0;
  return musicApi.DemoBass_ChannelGetPosition(kMusicChannel);
}

bool musicMoveTo(double seconds) {
  if (!musicPlaying || musicApi.DemoBass_ChannelSetPosition == nullptr || !(seconds >= 0.0))
    return false;
  return musicApi.DemoBass_ChannelSetPosition(kMusicChannel, seconds) != 0;
}

void musicEnd() {
  if (musicPlaying) {
    const int64_t giveUp = monotonicNs() + (kSlowDownMs + kSlideOverrunMs) * kNsPerMs;
    musicApi.BASS_ChannelSlideAttributes(kMusicChannel, kSlowDownFrequency, kKeepVolume, kKeepPan,
                                         kSlowDownMs);
    platform::Sleep(kFadeOutDelayMs);
    musicApi.BASS_ChannelSlideAttributes(kMusicChannel, kKeepFrequency, 0, kKeepPan, kFadeOutMs);
    // A quit during the wait (a stop signal, Escape on the page) cuts the
    // slides short; the one that ended the frame loop was taken there.
    while (musicApi.BASS_ChannelIsSliding(kMusicChannel) && !quitGiven() &&
           monotonicNs() < giveUp) {
      platform::Sleep(kSlidePollMs);
    }
    musicApi.BASS_Free();
    musicPlaying = false;
  }
  unloadMusicApi();
}
