// system.cpp - the system half of platform.h over Win32: library loading,
// sleeping, the clock and the wait for the next frame, and file probing.
// Shared by the window platform (window.cpp) and the null platform on
// Windows (the capture tool).
//
// The music code asks for its library as kMusicLibraryName; the file loaded is
// always this project's own demobass.dll, looked for beside the executable
// first (as on Linux), then where Windows looks for DLLs.
#include <windows.h>
// (after windows.h, which it needs)
#include <timeapi.h>

#include <cstdio>
#include <cstring>

#include "platform/load_error.h"
#include "platform/platform.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

constexpr const char* kMusicLibraryFile = "demobass.dll";

// Writes "<directory of the executable>\<file>" into `out`; false when the
// executable's path is unknown or the result would not fit.
bool besideExecutable(const char* file, char* out, DWORD size) {
  const DWORD length = GetModuleFileNameA(nullptr, out, size);
  if (length == 0 || length >= size) return false;
  char* slash = std::strrchr(out, '\\');
  if (slash == nullptr) return false;
  const size_t used = static_cast<size_t>(slash + 1 - out);
  const int written = std::snprintf(slash + 1, size - used, "%s", file);
  return written > 0 && static_cast<size_t>(written) < size - used;
}

// "<file>: <the system's reason for the last error>", on one line.
void noteLoadFailure(const char* file) {
  const DWORD code = GetLastError();
  char reason[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 reason, sizeof reason, nullptr);
  reason[std::strcspn(reason, "\r\n")] = '\0';
  noteLoadError("%s: %s (error %lu)", file, reason[0] != '\0' ? reason : "cannot load it",
                static_cast<unsigned long>(code));
}

bool hasDirectory(const char* file) { return std::strpbrk(file, "\\/:") != nullptr; }

// QueryPerformanceCounter's ticks per second, fixed at boot.
int64_t counterFrequency() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  return frequency;
}

// The pacer's timer: a high-resolution one where Windows has it (10 1803
// on), else a plain one with the system timer raised to 1 ms, which the
// plain one's wake-ups round to.
HANDLE frameTimer() {
  static const HANDLE timer = [] {
    HANDLE made = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                         TIMER_ALL_ACCESS);
    if (made == nullptr) {
      timeBeginPeriod(1);
      made = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    }
    return made;
  }();
  return timer;
}

}  // namespace

namespace platform {

ModuleHandle LoadLibraryA(const char* name) {
  if (!beginLoad(name)) return nullptr;
  const char* file = isMusicLibraryName(name) ? kMusicLibraryFile : name;
  char local[MAX_PATH];
  if (!hasDirectory(file) && besideExecutable(file, local, sizeof local) &&
      GetFileAttributesA(local) != INVALID_FILE_ATTRIBUTES) {
    if (HMODULE module = ::LoadLibraryA(local)) return module;
    noteLoadFailure(local);
    return nullptr;
  }
  if (HMODULE module = ::LoadLibraryA(file)) return module;
  noteLoadFailure(file);
  return nullptr;
}

EntryPoint GetProcAddress(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<EntryPoint>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

bool FreeLibrary(ModuleHandle module) {
  if (module == nullptr) return false;
  return ::FreeLibrary(static_cast<HMODULE>(module)) != 0;
}

void Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform

int64_t monotonicNs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const int64_t frequency = counterFrequency();
  // Whole seconds and the rest apart, so the product never overflows.
  return now.QuadPart / frequency * 1'000'000'000 +
         now.QuadPart % frequency * 1'000'000'000 / frequency;
}

void sleepUntilNs(int64_t deadline) {
  const HANDLE timer = frameTimer();
  for (int64_t left = deadline - monotonicNs(); left > 0; left = deadline - monotonicNs()) {
    // Relative due times are negative, in units of 100 ns; rounded up, so
    // the wait never ends before the deadline by the timer's own account.
    LARGE_INTEGER due;
    due.QuadPart = -((left + 99) / 100);
    if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
      ::Sleep(static_cast<DWORD>((left + 999'999) / 1'000'000));
      continue;
    }
    WaitForSingleObject(timer, INFINITE);
  }
}

FileAccess probeFile(const char* path) {
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FileAccess::Missing;
    return FileAccess::Unreadable;
  }
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileAccess::Unreadable;
  CloseHandle(file);
  return FileAccess::Readable;
}
