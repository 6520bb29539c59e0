// web_main.cpp - the demo as a web page: what the page calls to play it.
//
// The program is built with Asyncify, so the demo keeps the desktop's shape:
// start-up, a loop of frame passes, the music's end with its waits. Where the
// desktop sleeps or waits for the display, the page hands control back to the
// browser until the next animation frame (or timer), so the page stays live.
// The scene script, the effects, the frame pass and the music code are the
// desktop's own; only the display, the pacing, the platform calls and the
// music library are the page's: the canvas goes to the page through
// web_present.cpp, and keys come in as inputs that the page queues
// (webPressKey), since the page decides what a key means (Escape in full
// screen only leaves full screen).
//
// Entry points (exported; the page calls the first two through ccall with
// async, and only one of them at a time; the others directly, as
// Module._webX(), also while a run waits for a frame):
//   webPlayDemo()              plays the demo once at 60 passes to the
//                              second of music heard (host/music_pacing.h),
//                              or of the page's clock when there is no
//                              music; keys that move the script on move the
//                              music to each scene's section
//                              (host/music_sync.h);
//   webCapture(options)        the test mode: passes as fast as they go,
//                              keys injected like the capture tool's --keys;
//   webPressKey(key)           0: Space (skip a scene), 1: Escape (end);
//   webPassesRun()             the loop passes of the run so far (1-based
//                              number of the last one, as in the trace);
//   webSceneIndex()            the scene playing (5 or more once it is over),
//   webSceneCount()            of how many,
//   webSceneProgress()         how far it is, 0 to 1,
//   webFading()                1 while a transition fades to the next one;
//   webSceneShown()            the scene whose frames the picture shows (the
//                              one a transition fades from, until the next
//                              draws its first frame),
//   webSceneSeconds()          seconds since it drew its first frame, NaN
//                              from the start of a transition to the next
//                              scene's first frame,
//   webSectionSeconds(scene)   where that scene's section of the soundtrack
//                              starts: in step, the music heard is there
//                              plus webSceneSeconds().
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "effects/canvas.h"
#include "host/crc32.h"
#include "host/frame_loop.h"
#include "host/input_queue.h"
#include "host/key_script.h"
#include "host/music.h"
#include "host/music_pacing.h"
#include "host/music_sync.h"
#include "host/pacing.h"
#include "platform/platform.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"
#include "web/web_pacing.h"
#include "web/web_present.h"

namespace {

long passesRun = 0;

// The scene on screen and the pass that drew its first frame.
int32_t sceneShown = 0;
long sceneFirstPass = 1;

// Notes a scene's first frame. A pass that draws a scene frame counts it
// (sceneFrame moves); a transition's passes do not.
void noteSceneShown(int32_t sceneBefore, int32_t frameBefore) {
  if (demoState.sceneFrame == frameBefore || sceneBefore == sceneShown) return;
  sceneShown = sceneBefore;
  sceneFirstPass = passesRun;
}

// Passes the test mode runs between two looks at the browser's events, so a
// long capture does not freeze the page.
constexpr long kCapturePassesPerYield = 256;

// The bodies below are JavaScript, which clang-format would mangle.
// clang-format off

// The time of the next animation frame, in ms on the page's clock. The page
// may wrap the wait (its benchmark mode times the work between frames).
EM_ASYNC_JS(double, nextAnimationFrame, (), {
  return await Module['nextAnimationFrame']();
});

EM_ASYNC_JS(void, yieldToBrowser, (), {
  await new Promise(function(resolve) { setTimeout(resolve, 0); });
});

// A hidden page's music is paused (page.js), and the picture waits for it.
EM_JS(int, pageHidden, (), {
  return document.hidden ? 1 : 0;
});

// One line of the capture trace, handed to the page as the capture tool's
// --trace prints it: pass, result, scene, scene frame, fading, swing, tick, crc.
EM_JS(void, reportCapturePass, (long pass, int rendered, int scene, int sceneFrame, int fading,
                                double swing, int tick, uint32_t crc), {
  Module['onCapturePass']({pass: pass, rendered: rendered, sceneIndex: scene,
                           sceneFrame: sceneFrame, fading: fading, swing: swing, tick: tick,
                           crc: crc >>> 0});
});

// clang-format on

// Every run starts, like the program, from a black canvas, and leaves the
// page black at its end.
void blankScreen() {
  std::memset(canvas, 0, sizeof canvas);
  presentCanvas(openScreen());
  showPresentedFrame();
}

int64_t msToNs(double ms) { return static_cast<int64_t>(ms * 1e6); }

int waitForFramesDue(AnimationPacer& pacer) {
  for (;;) {
    const int due = pacerFramesDue(pacer, msToNs(nextAnimationFrame()));
    if (due > 0) return due;
  }
}

// Runs one pass, keeping `sync` on the script; returns how many passes'
// worth the music must move (musicMoveAfterPass), and sets `goesOn`.
long runPass(MusicSync& sync, bool& goesOn) {
  ++passesRun;
  const int32_t sceneBefore = demoState.sceneIndex, frameBefore = demoState.sceneFrame;
  goesOn = loopGoesOn(runFramePass(openScreen()));
  noteSceneShown(sceneBefore, frameBefore);
  return musicMoveAfterPass(sync, passesRun);
}

// Without music: the passes due on the page's clock; false once the loop is over.
bool runPacedPasses(AnimationPacer& pacer, MusicSync& sync) {
  bool goesOn = true;
  for (int due = waitForFramesDue(pacer); goesOn && due > 0; --due) runPass(sync, goesOn);
  return goesOn;
}

// With music: at the next animation frame, the passes due on the music heard
// (a refresh that comes a little early counts, as in web_pacing.h); false
// once the loop is over.
bool runMusicLedPasses(MusicClock& clock, MusicSync& sync) {
  nextAnimationFrame();
  const int64_t now = monotonicNs();
  if (pageHidden()) {
    holdMusicClock(clock, now);
    return true;
  }
  bool moveMusic = false;
  double at = readMusicClock(clock, musicHeardSeconds(), now, moveMusic);
  if (moveMusic) musicMoveTo(at);
  const double early = static_cast<double>(kEarlyFrameToleranceNs) / kNsPerSecond;
  bool goesOn = true;
  while (goesOn && musicSecondsOfPass(sync, passesRun + 1) <= at + early) {
    const long move = runPass(sync, goesOn);
    if (move == 0) continue;
    const double seconds = static_cast<double>(move) / kFramesPerSecond;
    moveMusicClock(clock, seconds, now);
    at += seconds;
    musicMoveTo(clock.heard);
  }
  return goesOn;
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
// ends or the viewer presses Escape, the music's slide out. Returns 0.
EMSCRIPTEN_KEEPALIVE int webPlayDemo() {
  clearQueuedInputs();  // keys pressed before a run, or between runs, are not part of it
  blankScreen();
  musicStart();
  resetDemoState();
  passesRun = 0;
  sceneShown = 0;
  sceneFirstPass = 1;
  AnimationPacer pacer{};
  MusicSync sync = kMusicSyncAtStart;
  const double heard = musicHeardSeconds();
  MusicClock clock = startMusicClock(heard, monotonicNs());
  bool goesOn = true;
  while (goesOn) {
    goesOn = heard >= 0.0 ? runMusicLedPasses(clock, sync) : runPacedPasses(pacer, sync);
    showPresentedFrame();
  }
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
  if (!parseOptions(options, parsed)) return -1;
  clearQueuedInputs();
  blankScreen();
  resetDemoState();
  for (passesRun = 1;; ++passesRun) {
    queueKeysOfPass(parsed, passesRun);
    const FramePass result = runFramePass(openScreen());
    reportPass(passesRun, result.rendered);
    if (!loopGoesOn(result) || passesRun == parsed.maxPasses) break;
    if (passesRun % kCapturePassesPerYield == 0) {
      showPresentedFrame();
      yieldToBrowser();
    }
  }
  showPresentedFrame();
  return passesRun;
}

// Other values of `key` are ignored.
EMSCRIPTEN_KEEPALIVE void webPressKey(int key) {
  if (key == 0) queueInput(DemoInput::Skip);
  if (key == 1) queueInput(DemoInput::Quit);
}

EMSCRIPTEN_KEEPALIVE long webPassesRun() { return passesRun; }

EMSCRIPTEN_KEEPALIVE int webSceneIndex() { return demoState.sceneIndex; }

EMSCRIPTEN_KEEPALIVE int webSceneCount() { return kSceneCount; }

EMSCRIPTEN_KEEPALIVE int webFading() { return demoState.fading ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE int webSceneShown() { return sceneShown; }

EMSCRIPTEN_KEEPALIVE double webSceneSeconds() {
  // The pass that ends a transition draws nothing: until the next scene's
  // first frame, the one on screen is the last transition frame.
  if (demoState.fading || demoState.sceneIndex != sceneShown)
    return std::numeric_limits<double>::quiet_NaN();
  return static_cast<double>(passesRun - sceneFirstPass) / kFramesPerSecond;
}

EMSCRIPTEN_KEEPALIVE double webSectionSeconds(int scene) {
  return static_cast<double>(sceneStartPass(scene) - 1) / kFramesPerSecond;
}

EMSCRIPTEN_KEEPALIVE double webSceneProgress() {
  if (demoState.sceneLength <= 0) return 0.0;
  return std::clamp(static_cast<double>(demoState.sceneFrame) / demoState.sceneLength, 0.0, 1.0);
}

}  // extern "C"
