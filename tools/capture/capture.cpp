// capture.cpp - demo-capture: the demo without a display, as fast as it goes.
//
// Runs the very frame loop, script and presentation of the demo on SDL's dummy
// video driver, with no music and no pacing, and records what it drew: a
// state trace per pass, and PPM snapshots of chosen passes. Keys are injected
// through SDL's event queue, so they go through the demo's own event handling.
// This is the project's null platform: the tests and the reference-trace
// checks use it. With --video it also films the run (video_encoder.h).
#include <SDL.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "effects/canvas.h"
#include "host/frame_loop.h"
#include "host/video.h"
#include "scenes/demo_state.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/progress.h"
#include "tools/capture/soundtrack_render.h"
#include "tools/capture/video_encoder.h"

namespace {

void pushKeysOfPass(const CaptureOptions& options, long pass) {
  for (const KeyPress& press : options.keys) {
    if (press.pass == pass) pushCaptureKey(press.key);
  }
}

// `n result sceneIndex sceneFrame fading swing tick crc`, swing as the
// shortest decimal that reads back to the same double.
void printTraceLine(long pass, bool rendered) {
  char swing[32];
  const auto written = std::to_chars(swing, swing + sizeof swing - 1, demoState.swing);
  *written.ptr = '\0';
  const unsigned long crc = crc32(0L, canvas, kCanvasBytes);
  std::printf("%ld %d %d %d %d %s %d %08lx\n", pass, rendered ? 1 : 0, demoState.sceneIndex,
              demoState.sceneFrame, demoState.fading ? 1 : 0, swing, demoState.tick, crc);
}

bool writePpm(const std::string& dir, long pass) {
  char name[32];
  std::snprintf(name, sizeof name, "/canvas-%06ld.ppm", pass);
  const std::string path = dir + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr;
  if (ok) {
    std::fprintf(file, "P6 %d %d 255\n", kCanvasWidth, kCanvasHeight);
    ok = std::fwrite(canvas, 1, kCanvasBytes, file) == static_cast<size_t>(kCanvasBytes);
    ok = std::fclose(file) == 0 && ok;
  }
  if (!ok) std::fprintf(stderr, "demo-capture: cannot write %s\n", path.c_str());
  return ok;
}

SDL_Surface* openHeadlessScreen() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "demo-capture: cannot start SDL: %s\n", SDL_GetError());
    return nullptr;
  }
  std::atexit(SDL_Quit);
  SDL_Surface* screen =
      SDL_SetVideoMode(kCanvasWidth, kCanvasHeight, kScreenBitsPerPixel, kVideoModeFlags);
  if (screen == nullptr) {
    std::fprintf(stderr, "demo-capture: cannot set the video mode: %s\n", SDL_GetError());
  }
  return screen;
}

constexpr int kTransitionEstimate = 86;  // passes of a fade from white

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

// Roughly how many passes the script has left, for the progress bar.
long estimatedPassesLeft() {
  static constexpr long kSceneFrames[] = {1002, 2002, 1002, 1002, 1002};
  if (demoState.sceneIndex >= 5 || demoState.sceneIndex < 0)
    return demoState.fading ? kTransitionEstimate : 1;
  long left = demoState.fading
                  ? kTransitionEstimate
                  : std::max<long>(0, demoState.sceneLength + 2L - demoState.sceneFrame) +
                        kTransitionEstimate;
  for (int scene = demoState.sceneIndex + 1; scene < 5; ++scene)
    left += kSceneFrames[scene] + kTransitionEstimate;
  return left + 1;
}

std::string soundtrackWav;  // empty: the video has no sound

bool startVideo(const CaptureOptions& options) {
  if (options.videoPath.empty()) return true;
  std::string error;
  const VideoSettings settings{options.videoPath, static_cast<int>(options.videoScale),
                               options.lossless};
  if (!videoOpen(settings, error)) {
    std::fprintf(stderr, "demo-capture: %s\n", error.c_str());
    return false;
  }
  soundtrackWav = videoScratchPath("sound", ".wav");
  if (!soundtrackOpen(soundtrackWav, error)) {
    std::fprintf(stderr, "demo-capture: %s; the video has no sound\n", error.c_str());
    soundtrackWav.clear();
  }
  return true;
}

// The music's ending plays over the last picture, held as long as it lasts.
bool finishVideo(const CaptureOptions& options) {
  if (options.videoPath.empty()) return true;
  bool ok = true;
  for (long i = 0; i < kSoundtrackEndingFrames && ok; ++i) ok = videoWriteFrame(canvas);
  std::string error = "ffmpeg stopped taking frames";
  ok = ok && soundtrackFinish(error) && videoFinish(soundtrackWav, error);
  if (ok) return true;
  soundtrackAbort();
  videoAbort();
  std::fprintf(stderr, "demo-capture: %s\n", error.c_str());
  return false;
}

// Stops a run part way: nothing of an unfinished video is left behind.
// `why` is printed unless it is null (the failing step said so already).
int abandonCapture(const char* why) {
  progressEnd();
  soundtrackAbort();
  videoAbort();
  if (why != nullptr) std::fprintf(stderr, "demo-capture: %s\n", why);
  return interrupted ? 130 : 1;
}

// Sends the frame just drawn, and its sound, to the video; moves the bar on.
bool filmFrame(const CaptureOptions& options, long pass, long framesShown) {
  if (!videoWriteFrame(canvas) || !soundtrackFrame()) return false;
  const long left = estimatedPassesLeft();
  const long limit = options.maxPasses ? options.maxPasses - pass : left;
  progressUpdate(framesShown, framesShown + std::min(left, limit));
  return true;
}

bool wantsSnapshot(const CaptureOptions& options, long pass) {
  return std::find(options.ppmPasses.begin(), options.ppmPasses.end(), pass) !=
         options.ppmPasses.end();
}

int runCapture(const CaptureOptions& options, SDL_Surface* screen) {
  resetDemoState();
  if (!startVideo(options)) return 1;
  const bool filming = !options.videoPath.empty();
  if (filming) progressStart();
  long framesShown = 0;
  for (long pass = 1;; ++pass) {
    pushKeysOfPass(options, pass);
    const FramePass result = runFramePass(screen);
    if (options.trace) printTraceLine(pass, result.rendered);
    if (wantsSnapshot(options, pass) && !writePpm(options.outDir, pass)) {
      return abandonCapture(nullptr);
    }
    if (filming && result.rendered && !filmFrame(options, pass, ++framesShown)) {
      return abandonCapture("ffmpeg stopped taking frames");
    }
    if (interrupted) return abandonCapture("interrupted");
    if (!loopGoesOn(result) || pass == options.maxPasses) break;
  }
  progressEnd();
  if (!finishVideo(options)) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CaptureOptions options;
  std::string error;
  if (!parseCaptureOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "demo-capture: %s\n%s\n", error.c_str(), kCaptureUsage);
    return 2;
  }
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
  SDL_Surface* screen = openHeadlessScreen();
  if (screen == nullptr) return 1;
  return runCapture(options, screen);
}
