// display.cpp - the SDL platform's display: the demo's video mode, and the
// one line that says why there is none.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/canvas.h"
#include "platform/platform.h"
#include "platform/posix/descriptors.h"
#include "platform/sdl/sdl_screen.h"
#include "platform/stop_requests.h"

namespace {

// Full screen, double-buffered, in video memory: 0xC0000001.
constexpr Uint32 kVideoModeFlags = SDL_FULLSCREEN | SDL_DOUBLEBUF | SDL_HWSURFACE;
constexpr int kScreenBitsPerPixel = 32;
// Fewer bits mean a palette, which a picture of this many colours cannot use.
constexpr int kMinDisplayBitsPerPixel = 15;

// Drivers SDL falls back to when there is no display; picking one quietly
// would play the whole demo to nobody.
bool isHeadlessDriver(const char* name) {
  return std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0;
}

// While SDL probes its drivers, the display libraries it tries print their
// own complaints (Wayland's about XDG_RUNTIME_DIR, for one) straight to
// stderr; the demo reports a failure itself, in one line. Returns the saved
// stderr for restoreStderr, or -1 if nothing was changed.
int silenceStderr() {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved < 0 || null < 0 || dup2(null, STDERR_FILENO) < 0) {
    if (saved >= 0) close(saved);
    if (null >= 0) close(null);
    return -1;
  }
  close(null);
  return saved;
}

void restoreStderr(int saved) {
  if (saved < 0) return;
  dup2(saved, STDERR_FILENO);
  close(saved);
}

// The variables that name a display for SDL's drivers.
const char* const kDisplayVariables[] = {"WAYLAND_DISPLAY", "DISPLAY"};

// Writes the display variables that are set into `out` as "NAME=value",
// separated by ", "; empty when none is.
void namedDisplays(char* out, size_t size) {
  out[0] = '\0';
  for (const char* variable : kDisplayVariables) {
    const char* value = std::getenv(variable);
    const size_t used = std::strlen(out);
    if (value == nullptr || value[0] == '\0' || used + 1 >= size) continue;
    std::snprintf(out + used, size - used, "%s%s=%s", used ? ", " : "", variable, value);
  }
}

// The one line for a start-up that found no display to show on.
void reportNoDisplay() {
  char named[256];
  namedDisplays(named, sizeof named);
  if (named[0] != '\0') {
    std::fprintf(stderr, "demo: could not open the display named in %s\n", named);
  } else {
    std::fprintf(stderr,
                 "demo: no display found (set DISPLAY or WAYLAND_DISPLAY, or name a driver in "
                 "SDL_VIDEODRIVER)\n");
  }
}

// When the X server goes away under the demo, Xlib's I/O error handler
// prints its own line and exits with status 1. SDL_Quit, run at that exit,
// would then take down the window over the dead connection, and either
// wait forever for the server's reply or trip an assertion in the GL
// library. So the demo notes the loss on its way into Xlib's handler and
// leaves SDL_Quit out: there is no display left to give its mode back to.
using XIOErrorHandler = int (*)(void* display);
using XSetIOErrorHandlerFn = XIOErrorHandler (*)(XIOErrorHandler);
XIOErrorHandler xlibIOErrorHandler = nullptr;
bool displayLost = false;  // set, and read at exit, on the thread that lost it

int onDisplayLost(void* display) {
  displayLost = true;
  if (xlibIOErrorHandler != nullptr) return xlibIOErrorHandler(display);
  std::exit(1);
}

// SDL loads Xlib itself when it runs on X11; the demo does not link it, so
// the handler is installed only when Xlib is already there.
void watchForDisplayLoss() {
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (xlib == nullptr) return;
  auto setHandler = reinterpret_cast<XSetIOErrorHandlerFn>(dlsym(xlib, "XSetIOErrorHandler"));
  if (setHandler != nullptr) xlibIOErrorHandler = setHandler(onDisplayLost);
  dlclose(xlib);  // drops only the reference taken here; SDL keeps Xlib loaded
}

void quitSdl() {
  if (!displayLost) SDL_Quit();
}

// Sets the demo's mode: 640 x 480, 32 bits per pixel, full screen,
// double-buffered, in video memory. SDL's video must be started. Returns the
// surface, or null with SDL's reason in SDL_GetError().
SDL_Surface* setDemoVideoMode() {
  return SDL_SetVideoMode(kCanvasWidth, kCanvasHeight, kScreenBitsPerPixel, kVideoModeFlags);
}

Screen demoScreen{};  // the one there is, for the whole run

// SDL's own reason for a mode it cannot set is in its terms ("Couldn't find
// matching render driver" on a paletted display); say the likelier ones in
// the viewer's.
// The X display's depth in bits per pixel, or 0 when SDL does not run on X
// (SDL 1.2's own answer, SDL_GetVideoInfo, is 0 for a paletted display).
int x11DisplayDepth() {
  using XOpenDisplayFn = void* (*)(const char*);
  using XDefaultScreenFn = int (*)(void*);
  using XDefaultDepthFn = int (*)(void*, int);
  using XCloseDisplayFn = int (*)(void*);
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (xlib == nullptr) return 0;
  auto openDisplay = reinterpret_cast<XOpenDisplayFn>(dlsym(xlib, "XOpenDisplay"));
  auto defaultScreen = reinterpret_cast<XDefaultScreenFn>(dlsym(xlib, "XDefaultScreen"));
  auto defaultDepth = reinterpret_cast<XDefaultDepthFn>(dlsym(xlib, "XDefaultDepth"));
  auto closeDisplay = reinterpret_cast<XCloseDisplayFn>(dlsym(xlib, "XCloseDisplay"));
  int depth = 0;
  if (openDisplay && defaultScreen && defaultDepth && closeDisplay) {
    if (void* display = openDisplay(nullptr)) {
      depth = defaultDepth(display, defaultScreen(display));
      closeDisplay(display);
    }
  }
  dlclose(xlib);
  return depth;
}

// `depth` is the display's bits per pixel, 0 when unknown.
void reportNoVideoMode(int depth) {
  if (depth > 0 && depth < kMinDisplayBitsPerPixel) {
    std::fprintf(stderr,
                 "demo: the display shows %d bits per pixel; the demo needs a true-colour display "
                 "(%d bits or more)\n",
                 depth, kMinDisplayBitsPerPixel);
  } else {
    std::fprintf(stderr, "demo: cannot set the %dx%d video mode: %s\n", kCanvasWidth, kCanvasHeight,
                 SDL_GetError());
  }
}

bool userNamedDriver() {
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  return chosen != nullptr && chosen[0] != '\0';
}

}  // namespace

// Starts SDL's video, registers SDL_Quit to run at exit (it restores the
// desktop's display mode; left out when the X server has gone away, above),
// hides the cursor and sets the demo's mode with a flip that waits for the
// vertical blank unless the user chose otherwise in
// SDL12COMPAT_SYNC_TO_VBLANK. When SDL could only find a driver that shows
// nothing and the user did not ask for one by name in SDL_VIDEODRIVER, the
// line says that the display DISPLAY or WAYLAND_DISPLAY names could not be
// opened, or with neither set, that there is no display.
Screen* openScreen() {
  // SDL leaves signal handlers that are already there alone.
  catchStopSignals(BlockedCalls::Restart);
  // Today's drivers flip without waiting for the display unless asked; the
  // compat layer reads this before the mode is set. A user's own value wins.
  setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);

  // Without descriptors to spare, SDL fails with a misleading reason, and its
  // drivers' complaints could not be kept off stderr.
  if (fewDescriptorsLeft()) {
    std::fprintf(stderr, "demo: cannot open the display: %s\n", std::strerror(EMFILE));
    return nullptr;
  }
  const int savedStderr = silenceStderr();
  const int started = SDL_Init(SDL_INIT_VIDEO);
  restoreStderr(savedStderr);
  if (started != 0) {
    std::fprintf(stderr, "demo: cannot start video: %s\n", SDL_GetError());
    return nullptr;
  }
  std::atexit(quitSdl);
  SDL_ShowCursor(SDL_DISABLE);

  char driver[64] = "";
  SDL_VideoDriverName(driver, sizeof driver);
  if (isHeadlessDriver(driver) && !userNamedDriver()) {
    reportNoDisplay();
    return nullptr;
  }

  demoScreen.surface = setDemoVideoMode();
  if (demoScreen.surface == nullptr) {
    reportNoVideoMode(x11DisplayDepth());
    return nullptr;
  }
  watchForDisplayLoss();
  return &demoScreen;
}

Screen* openDummySdlScreen() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
  std::atexit(SDL_Quit);
  demoScreen.surface = setDemoVideoMode();
  return demoScreen.surface != nullptr ? &demoScreen : nullptr;
}
