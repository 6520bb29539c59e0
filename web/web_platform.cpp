// web_platform.cpp - the system calls and input of platform/platform.h in a
// web page.
//
// A page cannot load libraries at run time, so the music library is compiled
// into the program (web_music.js, over the browser's Web Audio) and
// "loading" it hands out a handle to that built-in module; its entry points
// are looked up by name in a table as a loader would. Sleep gives control
// back to the browser for the time asked (the program is built with
// Asyncify), so the page keeps drawing and playing sound while the music's
// end waits for its slides. Inputs are queued by the page's key and control
// handlers (web_main.cpp's webPressKey).
#include <emscripten.h>
#include <unistd.h>

#include <cstring>

#include "host/input_queue.h"
#include "platform/load_error.h"
#include "platform/platform.h"
#include "web/web_music.h"

using platform::EntryPoint;
using platform::ModuleHandle;

namespace {

struct NamedEntry {
  const char* name;
  EntryPoint entry;
};

template <typename Fn>
EntryPoint entryOf(Fn function) {
  return reinterpret_cast<EntryPoint>(function);
}

// The name each entry point is looked up by is its own.
#define ENTRY(function) \
  { #function, entryOf(&function) }
const NamedEntry kMusicEntries[] = {
    ENTRY(BASS_Init),       ENTRY(BASS_StreamCreateFile),       ENTRY(BASS_Start),
    ENTRY(BASS_StreamPlay), ENTRY(BASS_ChannelSlideAttributes), ENTRY(BASS_ChannelIsSliding),
    ENTRY(BASS_Free),       ENTRY(DemoBass_ChannelGetPosition), ENTRY(DemoBass_ChannelSetPosition),
};
#undef ENTRY

// The one module there is; its address is the handle.
int builtInMusicModule = 0;
int musicModuleLoads = 0;

}  // namespace

namespace platform {

ModuleHandle LoadLibraryA(const char* name) {
  if (!beginLoad(name)) return nullptr;
  if (!isMusicLibraryName(name)) {
    noteLoadError("the web page has no library %.64s", name);
    return nullptr;
  }
  ++musicModuleLoads;
  return &builtInMusicModule;
}

EntryPoint GetProcAddress(ModuleHandle module, const char* name) {
  if (module != &builtInMusicModule || name == nullptr) return nullptr;
  for (const NamedEntry& entry : kMusicEntries) {
    if (std::strcmp(entry.name, name) == 0) return entry.entry;
  }
  return nullptr;
}

bool FreeLibrary(ModuleHandle module) {
  if (module != &builtInMusicModule || musicModuleLoads == 0) return false;
  --musicModuleLoads;
  return true;
}

void Sleep(uint32_t milliseconds) { emscripten_sleep(milliseconds); }

}  // namespace platform

int webMusicModuleLoads() { return musicModuleLoads; }

bool nextInput(DemoInput& input) { return takeQueuedInput(input); }

int64_t monotonicNs() { return static_cast<int64_t>(emscripten_get_now() * 1e6); }

void sleepUntilNs(int64_t deadline) {
  const int64_t left = deadline - monotonicNs();
  if (left > 0) emscripten_sleep(static_cast<unsigned>((left + 999'999) / 1'000'000));
}

// The page's files live in Emscripten's file system, where the page put them.
FileAccess probeFile(const char* path) {
  if (access(path, F_OK) != 0) return FileAccess::Missing;
  return access(path, R_OK) == 0 ? FileAccess::Readable : FileAccess::Unreadable;
}
