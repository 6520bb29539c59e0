// music_fake_bass.cpp - a stand-in for the music library that plays nothing
// and logs how it was called, for the tests of the host's music binding.
// Built as libdemobass.so into test-only directories.
//
// Every call appends "<milliseconds> <call> <arguments>" to the file named
// by FAKE_BASS_LOG, the call in a word ("init" for BASS_Init, "create",
// "start", "play", "slide", "sliding", "free"); unloading appends
// "<ms> unloaded". FAKE_BASS_FAIL may name calls that fail. A stream gets the handle 7, so that a
// caller passing it where the constant channel 1 belongs shows in the log. The sliding query
// answers 1 three times, then 0; with FAKE_BASS_SLIDING set, always 1. Built with
// FAKE_BASS_WITHOUT_IS_SLIDING it lacks BASS_ChannelIsSliding; with
// FAKE_BASS_WITHOUT_GET_POSITION, DemoBass_ChannelGetPosition.
//
// The position pair: the stream heard runs on the monotonic clock from
// "play", at FAKE_BASS_RATE times real time (default 1; 0 stalls it, 1.25
// runs it a quarter faster), from where "setpos <channel> <seconds>" last
// moved it. Position queries are not logged (the loops ask all the time);
// FAKE_BASS_FAIL naming "getpos" makes them fail.
#include <time.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/music_contract.h"

namespace {

// Logs the call; returns `result`, or 0 when FAKE_BASS_FAIL names the call.
__attribute__((format(printf, 2, 3))) uint32_t logged(uint32_t result, const char* format, ...) {
  char call[256];
  va_list args;
  va_start(args, format);
  vsnprintf(call, sizeof call, format, args);
  va_end(args);
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const char* path = getenv("FAKE_BASS_LOG");
  if (FILE* log = path ? fopen(path, "a") : nullptr) {
    fprintf(log, "%lld %s\n", now.tv_sec * 1000LL + now.tv_nsec / 1000000, call);
    fclose(log);
  }
  call[strcspn(call, " ")] = '\0';
  const char* fail = getenv("FAKE_BASS_FAIL");
  return fail && strstr(fail, call) ? 0 : result;
}

double monotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The stream heard stood at `heardFrom` at `heardFromTime`; negative before play.
double heardFrom = -1.0, heardFromTime = 0.0;

[[maybe_unused]] double heardNow() {  // unused without the position query
  const char* rate = getenv("FAKE_BASS_RATE");
  return heardFrom + (monotonicSeconds() - heardFromTime) * (rate ? atof(rate) : 1.0);
}

__attribute__((destructor)) void onUnload() { logged(0, "unloaded"); }

}  // namespace

int32_t BASS_Init(int32_t device, uint32_t frequency, uint32_t flags, void* window) {
  return logged(1, "init %d %u %u %s", device, frequency, flags, window ? "window" : "0");
}

uint32_t BASS_StreamCreateFile(int32_t fromMemory, const void* file, uint32_t offset,
                               uint32_t length, uint32_t flags) {
  return logged(7, "create %d %s %u %u 0x%x", fromMemory, static_cast<const char*>(file), offset,
                length, flags);
}

int32_t BASS_Start() { return logged(1, "start"); }

int32_t BASS_StreamPlay(uint32_t stream, int32_t flush, uint32_t flags) {
  const uint32_t played = logged(1, "play %u %d %u", stream, flush, flags);
  if (played) heardFrom = 0.0, heardFromTime = monotonicSeconds();
  return played;
}

int32_t BASS_ChannelSlideAttributes(uint32_t channel, int32_t frequency, int32_t volume,
                                    int32_t pan, uint32_t milliseconds) {
  return logged(1, "slide %u %d %d %d %u", channel, frequency, volume, pan, milliseconds);
}

#ifndef FAKE_BASS_WITHOUT_IS_SLIDING
uint32_t BASS_ChannelIsSliding(uint32_t channel) {
  static int asked = 0;
  return logged(asked++ < 3 || getenv("FAKE_BASS_SLIDING"), "sliding %u", channel);
}
#endif

#ifndef FAKE_BASS_WITHOUT_GET_POSITION
double DemoBass_ChannelGetPosition(uint32_t) {
  const char* fail = getenv("FAKE_BASS_FAIL");
  return heardFrom < 0.0 || (fail && strstr(fail, "getpos")) ? -1.0 : heardNow();
}
#endif

int32_t DemoBass_ChannelSetPosition(uint32_t channel, double seconds) {
  if (heardFrom < 0.0 || !logged(1, "setpos %u %.3f", channel, seconds)) return 0;
  heardFrom = seconds, heardFromTime = monotonicSeconds();
  return 1;
}

int32_t BASS_Free() { return logged(1, "free"); }
