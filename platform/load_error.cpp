// load_error.cpp - see load_error.h.
#include "platform/load_error.h"

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace {

// Loads come from the main thread only (platform.h).
char loadError[512] = "";

}  // namespace

bool beginLoad(const char* name) {
  loadError[0] = '\0';
  if (name != nullptr) return true;
  noteLoadError("no library name given");
  return false;
}

void noteLoadError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(loadError, sizeof loadError, format, args);
  va_end(args);
}

const char* platform::lastLoadError() { return loadError; }
