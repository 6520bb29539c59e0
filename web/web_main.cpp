// web_main.cpp - the demo as a web page: what the page calls to play it.
//
// The program is built with Asyncify, so the demo keeps the desktop's shape:
// start-up, a loop of frame passes, the music's end with its waits. Where the
// desktop sleeps or waits for the display, the page hands control back to the
// browser until the next animation frame (or timer), so the page stays live.
// The scene script, the effects, the frame pass and the music code are the
// desktop's own; only the display, the pacing, the platform calls and the
// music library are the page's.
//
// Entry points (exported; the page calls the first two through ccall with
// async, and only one of them at a time):
//   webPlayDemo()              plays the demo once, paced at 60 frames/s;
//   webCapture(options)        the test mode: passes as fast as they go,
//                              keys injected like the capture tool's --keys;
//   webSceneIndex()            the scene playing, for tests. Call it as
//                              Module._webSceneIndex(): a ccall made while the
//                              demo waits for a frame resolves only at its end.
#include <emscripten.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "effects/canvas.h"
#include "host/frame_loop.h"
#include "host/key_script.h"
#include "host/music.h"
#include "host/present.h"
#include "host/video.h"
#include "scenes/demo_state.h"
#include "web/web_crc32.h"
#include "web/web_pacing.h"

namespace {

SDL_Surface* screen = nullptr;

// Passes the test mode runs between two looks at the browser's events, so a
// long capture does not freeze the page.
constexpr long kCapturePassesPerYield = 64;

// The time of the next animation frame, in ms on the page's clock.
EM_ASYNC_JS(double, nextAnimationFrame, (), {
  return await new Promise(function(resolve) { requestAnimationFrame(resolve); });
});

EM_ASYNC_JS(void, yieldToBrowser, (), {
  await new Promise(function(resolve) { setTimeout(resolve, 0); });
});

// One line of the capture trace, handed to the page as the capture tool's
// --trace prints it: pass, result, scene, scene frame, fading, swing, tick, crc.
EM_JS(void, reportCapturePass, (long pass, int rendered, int scene, int sceneFrame, int fading,
                                double swing, int tick, uint32_t crc), {
  Module['onCapturePass']({pass: pass, rendered: rendered, sceneIndex: scene,
                           sceneFrame: sceneFrame, fading: fading, swing: swing, tick: tick,
                           crc: crc >>> 0});
});

// The page's screen, opened once and kept for every run.
SDL_Surface* pageScreen() {
  if (screen == nullptr && SDL_Init(SDL_INIT_VIDEO) == 0) {
    screen = SDL_SetVideoMode(kCanvasWidth, kCanvasHeight, kScreenBitsPerPixel, kVideoModeFlags);
  }
  return screen;
}

// Keys pressed before a run, or between runs, are not part of it.
void discardQueuedEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
}

// Every run starts, like the program, from a black canvas, and leaves the
// page black at its end.
void blankScreen() {
  std::memset(canvas, 0, sizeof canvas);
  presentCanvas(screen);
}

int64_t msToNs(double ms) { return static_cast<int64_t>(ms * 1e6); }

void waitForFrameDue(AnimationPacer& pacer) {
  while (!pacerTakesFrame(pacer, msToNs(nextAnimationFrame()))) {
  }
}

void reportPass(long pass, bool rendered) {
  reportCapturePass(pass, rendered ? 1 : 0, demoState.sceneIndex, demoState.sceneFrame,
                    demoState.fading ? 1 : 0, demoState.swing, demoState.tick,
                    crc32Of(canvas, sizeof canvas));
}

bool parseOptions(const char* text, KeyScript& script) {
  // The options come as one line of the capture tool's --keys and --frames.
  std::vector<std::string> words{"demo-capture"};
  for (const char* at = text; *at != '\0';) {
    const char* end = std::strchr(at, ' ');
    if (end == nullptr) end = at + std::strlen(at);
    if (end > at) words.emplace_back(at, end);
    at = *end == '\0' ? end : end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  std::string error;
  if (parseKeyScript(static_cast<int>(argv.size()), argv.data(), script, error)) return true;
  emscripten_log(EM_LOG_WARN, "web capture: %s", error.c_str());
  return false;
}

}  // namespace

extern "C" {

// Plays the demo once: music, the script at 60 frames per second until it
// ends or the viewer presses Escape, the music's slide out. Returns 0, or 1
// when the page has no screen to draw on.
EMSCRIPTEN_KEEPALIVE int webPlayDemo() {
  if (pageScreen() == nullptr) return 1;
  discardQueuedEvents();
  blankScreen();
  musicStart();
  resetDemoState();

  AnimationPacer pacer{};
  do {
    waitForFrameDue(pacer);
  } while (loopGoesOn(runFramePass(screen)));

  musicEnd();
  blankScreen();
  return 0;
}

// The test mode. `options` holds capture-tool arguments (--frames N, --keys
// PASS:KEY,...); every pass is reported to Module.onCapturePass with the CRC-32
// of the canvas. No music, no pacing. Returns the number of passes run, or
// -1 for any other option or a bad value.
EMSCRIPTEN_KEEPALIVE long webCapture(const char* options) {
  KeyScript parsed;
  if (!parseOptions(options, parsed) || pageScreen() == nullptr) return -1;
  discardQueuedEvents();
  blankScreen();
  resetDemoState();
  long pass = 1;
  for (;; ++pass) {
    pushKeysOfPass(parsed, pass);
    const FramePass result = runFramePass(screen);
    reportPass(pass, result.rendered);
    if (!loopGoesOn(result) || pass == parsed.maxPasses) break;
    if (pass % kCapturePassesPerYield == 0) yieldToBrowser();
  }
  return pass;
}

// The scene the demo is in (5 or more once the script is over), for the
// page's tests of its keys.
EMSCRIPTEN_KEEPALIVE int webSceneIndex() { return demoState.sceneIndex; }

}  // extern "C"
