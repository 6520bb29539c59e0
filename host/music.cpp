// music.cpp - starting and ending the demo's music through the run-time
// loaded music library, with the values of the music's design
// (audio/music_contract.h).
#include "host/music.h"

#include <cstdio>

MusicApi musicApi{};

namespace {

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
// The table's member and the name it is looked up by are one word.
#define LOOK_UP(entry) resolve(musicApi.entry, #entry)

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
  musicApi.module = platform::LoadLibraryA(kMusicLibraryName);
  if (musicApi.module == nullptr) return false;
  LOOK_UP(BASS_Init);
  LOOK_UP(BASS_StreamCreateFile);
  LOOK_UP(BASS_Start);
  LOOK_UP(BASS_StreamPlay);
  LOOK_UP(BASS_ChannelSlideAttributes);
  LOOK_UP(BASS_ChannelIsSliding);
  LOOK_UP(BASS_Free);
  // The position pair is optional: a library with one of them only gets neither.
  const char* const missingRequired = missingEntry;
  LOOK_UP(DemoBass_ChannelGetPosition);
  LOOK_UP(DemoBass_ChannelSetPosition);
  missingEntry = missingRequired;
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
      snprintf(why, sizeof why, "the music library %s lacks %s", kMusicLibraryName, missingEntry);
    }
    runSilent(why);
    unloadMusicApi();
    return;
  }
  if (!musicApi.BASS_Init(kMusicDefaultDevice, kMusicOutputRate, 0, nullptr)) {
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
  } else if (!musicApi.BASS_StreamPlay(stream, kMusicFlushBeforePlay, kMusicLoop)) {
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
    const MusicEnding& end = kMusicEnding;
    const int64_t giveUp = monotonicNs() + (end.slowDownMs + kSlideOverrunMs) * kNsPerMs;
    musicApi.BASS_ChannelSlideAttributes(kMusicChannel, end.slowDownFrequency, kMusicKeepVolume,
                                         kMusicKeepPan, end.slowDownMs);
    platform::Sleep(end.fadeDelayMs);
    musicApi.BASS_ChannelSlideAttributes(kMusicChannel, kMusicKeepFrequency, 0, kMusicKeepPan,
                                         end.fadeMs);
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
