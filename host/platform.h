// platform.h - the few operating-system calls the music binding makes, under
// the names the music code is written against: load a library at run time,
// look up its entry points by name, release it, and sleep.
//
// On Linux these sit over dlopen, dlsym, dlclose and nanosleep. A library
// name the music code asks for is first mapped to the file this project
// builds (see the table in platform.cpp), then looked for in the directory of
// the running executable, then by the system's own search. Used only from
// the main thread, by host/music.cpp.
//
// The names are those of the Windows calls the music code was written
// against; they live in this namespace so that they can never meet the real
// ones (a Windows header, a compatibility layer) in one program.
#pragma once

#include <cstdint>

namespace platform {

using ModuleHandle = void*;
using EntryPoint = void (*)();

// Loads the library `name` (e.g. "BASS.DLL"). Returns null when it cannot be
// found or loaded; lastLoadError() then says why, naming the file and where
// it was looked for. `name` may be null (null is returned).
ModuleHandle LoadLibraryA(const char* name);

// The entry point `name` of `module`, or null when the module lacks it or
// either argument is null. Cast the result to the entry point's own type.
EntryPoint GetProcAddress(ModuleHandle module, const char* name);

// Releases a module returned by LoadLibraryA; null is ignored. Returns true
// when the module was released.
bool FreeLibrary(ModuleHandle module);

// Sleeps at least `milliseconds` ms, resuming after interruptions by signals.
void Sleep(uint32_t milliseconds);

// A one-line reason for the last LoadLibraryA failure on this thread, or ""
// when there was none. Valid until the next LoadLibraryA.
const char* lastLoadError();

}  // namespace platform
