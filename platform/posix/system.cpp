// system.cpp - the system half of platform.h over POSIX: run-time library
// loading, sleeping, the monotonic clock and file probing. Shared by the
// Linux platforms (platform/sdl and platform/null).
//
// The music code asks for its library under the name it was written for
// (kMusicLibraryName); the file loaded is the one this project builds. Other
// names are used as they stand. Like the Windows loader, the executable's own directory
// comes first, so `cd build && ./demo` finds the library built beside it
// whatever LD_LIBRARY_PATH says.
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/load_error.h"
#include "platform/platform.h"
#include "platform/posix/descriptors.h"
#include "platform/posix/elf_check.h"

namespace {

constexpr const char* kMusicLibraryFile = "libdemobass.so";

// Writes "<directory of the executable>/<file>" into `out`; false when the
// executable's path is unknown or the result would not fit.
bool besideExecutable(const char* file, char* out, size_t size) {
  char exe[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return false;
  exe[length] = '\0';
  char* slash = strrchr(exe, '/');
  if (slash == nullptr) return false;
  *slash = '\0';
  int written = snprintf(out, size, "%s/%s", exe, file);
  return written > 0 && static_cast<size_t>(written) < size;
}

// dlopen of the file `path`, refused first when the file is cut short of
// what its ELF header declares: mapped, that would end the program with a
// bus error. A file that cannot be opened here is left to dlopen to report.
void* openWholeLibrary(const char* path) {
  // Not blocking: a FIFO under the library's name must not stop the check.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    char why[256];
    bool whole = elfFileWhole(fd, why, sizeof why);
    close(fd);
    if (!whole) {
      noteLoadError("%s: %s", path, why);
      return nullptr;
    }
  }
  if (void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL)) return module;
  noteLoadError("%s", dlerror());
  return nullptr;
}

}  // namespace

namespace platform {

ModuleHandle LoadLibraryA(const char* name) {
  if (!beginLoad(name)) return nullptr;
  const char* file = isMusicLibraryName(name) ? kMusicLibraryFile : name;
  char local[PATH_MAX];
  // A file name without a directory goes to the executable's directory
  // first; one with a directory is taken as it stands.
  const bool bare = strchr(file, '/') == nullptr;
  const bool besideKnown = bare && besideExecutable(file, local, sizeof local);
  if (besideKnown && access(local, F_OK) == 0) return openWholeLibrary(local);
  if (!bare) return openWholeLibrary(file);
  if (void* module = dlopen(file, RTLD_NOW | RTLD_LOCAL)) return module;
  // The file is named, not the name asked for, and both places it was
  // looked for.
  noteLoadError("no %.240s beside the executable, and the system's search failed: %.200s",
                besideKnown ? local : file, dlerror());
  return nullptr;
}

EntryPoint GetProcAddress(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  // dlsym hands back an object pointer; POSIX guarantees it converts to a
  // function pointer, which is what a caller of GetProcAddress expects.
  void* symbol = dlsym(module, name);
  EntryPoint entry;
  static_assert(sizeof entry == sizeof symbol);
  memcpy(&entry, &symbol, sizeof entry);
  return entry;
}

bool FreeLibrary(ModuleHandle module) {
  if (module == nullptr) return false;
  return dlclose(module) == 0;
}

void Sleep(uint32_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace platform

int64_t monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void sleepUntilNs(int64_t deadline) {
  timespec until{};
  until.tv_sec = static_cast<time_t>(deadline / 1'000'000'000);
  until.tv_nsec = static_cast<long>(deadline % 1'000'000'000);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

FileAccess probeFile(const char* path) {
  if (fewDescriptorsLeft()) return FileAccess::NoDescriptors;
  if (access(path, F_OK) != 0 && errno == ENOENT) return FileAccess::Missing;
  return access(path, R_OK) == 0 ? FileAccess::Readable : FileAccess::Unreadable;
}
