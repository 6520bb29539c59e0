// main.cpp - the demo's entry point on Windows: a window program (no console
// of its own). The command line is ignored.
#include <windows.h>

#include <cstdio>

#include "host/demo_main.h"

namespace {

// A window program started from a console gets no standard handles, so the
// demo's one-line messages would go nowhere: write them to the console it
// was started from, if any. A program started with its stderr redirected,
// or under Wine from a terminal, has its handle already and keeps it.
void reachParentConsole() {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (std::freopen("CONOUT$", "w", stderr) == nullptr) return;
  std::setvbuf(stderr, nullptr, _IONBF, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  reachParentConsole();
  return demoMain();
}
