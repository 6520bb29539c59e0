// music_fake_bass.cpp - a stand-in for the music library that plays nothing
// and writes down how it was called, for the tests of the host's music
// binding. Built as libdemobass.so into test-only directories.
//
// Every call appends "<milliseconds> <name> <arguments>" to the file named by
// FAKE_BASS_LOG (nothing when unset); unloading the library appends
// "<ms> unloaded". FAKE_BASS_FAIL may name calls that fail: "init", "create",
// "start", "play". A stream gets the handle 7, so that a caller passing the
// handle where the constant channel 1 belongs shows up in the log. The
// sliding query answers 1 three times, then 0. Built with
// FAKE_BASS_WITHOUT_IS_SLIDING it lacks BASS_ChannelIsSliding.
#include <time.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint32_t kFakeStream = 7;

void logCall(const char* format, ...) {
  const char* path = getenv("FAKE_BASS_LOG");
  if (path == nullptr) return;
  FILE* log = fopen(path, "a");
  if (log == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  fprintf(log, "%lld ", static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
  va_list args;
  va_start(args, format);
  vfprintf(log, format, args);
  va_end(args);
  fputc('\n', log);
  fclose(log);
}

bool failing(const char* call) {
  const char* fail = getenv("FAKE_BASS_FAIL");
  return fail != nullptr && strstr(fail, call) != nullptr;
}

__attribute__((destructor)) void onUnload() { logCall("unloaded"); }

}  // namespace

FAKE_EXPORT int32_t BASS_Init(int32_t device, uint32_t frequency, uint32_t flags, void* window) {
  logCall("BASS_Init %d %u %u %s", device, frequency, flags, window ? "window" : "0");
  return failing("init") ? 0 : 1;
}

FAKE_EXPORT uint32_t BASS_StreamCreateFile(int32_t fromMemory, const void* file, uint32_t offset,
                                           uint32_t length, uint32_t flags) {
  logCall("BASS_StreamCreateFile %d %s %u %u 0x%x", fromMemory, static_cast<const char*>(file),
          offset, length, flags);
  return failing("create") ? 0 : kFakeStream;
}

FAKE_EXPORT int32_t BASS_Start() {
  logCall("BASS_Start");
  return failing("start") ? 0 : 1;
}

FAKE_EXPORT int32_t BASS_StreamPlay(uint32_t stream, int32_t flush, uint32_t flags) {
  logCall("BASS_StreamPlay %u %d %u", stream, flush, flags);
  return failing("play") ? 0 : 1;
}

FAKE_EXPORT int32_t BASS_ChannelSlideAttributes(uint32_t channel, int32_t frequency, int32_t volume,
                                                int32_t pan, uint32_t milliseconds) {
  logCall("BASS_ChannelSlideAttributes %u %d %d %d %u", channel, frequency, volume, pan, milliseconds);
  return 1;
}

#ifndef FAKE_BASS_WITHOUT_IS_SLIDING
constexpr int kSlidingAnswers = 3;
int slidingAsked = 0;

FAKE_EXPORT uint32_t BASS_ChannelIsSliding(uint32_t channel) {
  logCall("BASS_ChannelIsSliding %u", channel);
  return slidingAsked++ < kSlidingAnswers ? 1 : 0;
}
#endif

FAKE_EXPORT int32_t BASS_Free() {
  logCall("BASS_Free");
  return 1;
}
