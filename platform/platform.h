// platform.h - what a platform gives the demo.
//
// The demo's portable code (the scene script, the effects, the frame pass,
// the pacer and the music binding) reaches the machine only through these
// calls. A platform implements all of them in a folder of its own, and a
// program links exactly one:
//   platform/sdl/    the desktop over the SDL 1.2 interface (Linux); its
//                    system calls come from platform/posix/
//   platform/win32/  Windows over Win32 alone
//   platform/null/   no display: the capture tool, the tests, the benchmarks;
//                    the system calls of the machine it runs on
//   web/             the web page, over the browser
// Everything here is called from the main thread only.
#pragma once

#include <cstdint>

#include "audio/music_contract.h"

// ---- Display ---------------------------------------------------------------

// The platform's own screen. The portable code only hands it back to
// presentCanvas; each platform defines what it holds.
struct Screen;

// Opens the demo's display: 640 x 480, full screen, cursor hidden. Returns
// the screen for the whole run, or null after one line on stderr saying
// why (the demo then exits with status 1). Called once, by demoMain.
Screen* openScreen();

// Shows the whole canvas on `screen` (never null) and hands the frame to the
// display. Called by renderFrame at the end of every frame it draws.
void presentCanvas(Screen* screen);

// ---- Input -----------------------------------------------------------------

// What a viewer can ask of the demo. Escape and the window's close request
// are both Quit; so is the system asking the program to stop (a terminal's
// Ctrl-C, SIGTERM, a closed terminal's SIGHUP).
enum class DemoInput { Skip, Quit };

// Takes the next input given since the last call into `input`, oldest first;
// false when none is waiting. Never waits. Called by the frame pass at the
// start of every loop pass, until it returns false.
bool nextInput(DemoInput& input);

// ---- Time ------------------------------------------------------------------

// Nanoseconds on a clock that never jumps (not the time of day). Only
// differences mean anything.
int64_t monotonicNs();

// Returns at `deadline` on monotonicNs's clock, or at once if it has passed.
// Used by the pacer between frames.
void sleepUntilNs(int64_t deadline);

// ---- Libraries and sleeping ------------------------------------------------
// Under the names of the Windows calls the music code is written against,
// in a namespace of their own so that they never meet the real ones.

namespace platform {

using ModuleHandle = void*;
using EntryPoint = void (*)();

// Whether `name` is kMusicLibraryName, without regard to ASCII case, as
// Windows compares library names. Used by the platforms' LoadLibraryA.
constexpr bool isMusicLibraryName(const char* name) {
  const char* wanted = kMusicLibraryName;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (; *name != '\0' && *wanted != '\0'; ++name, ++wanted)
    if (lower(*name) != lower(*wanted)) return false;
  return *name == *wanted;
}

// Loads the library `name` (e.g. kMusicLibraryName). Returns null when it cannot be
// found or loaded, lastLoadError() then says why; a null `name` gives null.
ModuleHandle LoadLibraryA(const char* name);

// The entry point `name` of `module`, or null when the module lacks it or
// either argument is null. Cast the result to the entry point's own type.
EntryPoint GetProcAddress(ModuleHandle module, const char* name);

// Releases a module returned by LoadLibraryA; null is ignored. Returns true
// when the module was released.
bool FreeLibrary(ModuleHandle module);

// Sleeps at least `milliseconds` ms.
void Sleep(uint32_t milliseconds);

// A one-line reason for the last LoadLibraryA failure, or "" when there was
// none. Valid until the next LoadLibraryA.
const char* lastLoadError();

}  // namespace platform

// ---- Files -----------------------------------------------------------------

enum class FileAccess { Readable, Missing, Unreadable, NoDescriptors };

// Whether `path` can be opened for reading: Missing when nothing is there
// (or a link there leads nowhere), Unreadable when something is there that
// cannot be read, NoDescriptors when the process has (nearly) used up the
// files it may have open, so that opening it, or decoding it, fails for
// that reason. Used by the music binding to say why a file would not play.
FileAccess probeFile(const char* path);
