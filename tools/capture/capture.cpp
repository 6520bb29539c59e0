// capture.cpp - demo-capture: the demo without a display, as fast as it goes.
//
// Built on the null platform (platform/null/null_screen.h): it runs the very
// frame loop and script of the demo, with no display, no music and no
// pacing. Keys come from a key script as queued inputs, so they go through
// the demo's own input handling. The tool records what was drawn: a state trace per pass, PPM
// snapshots of chosen passes, and with
// --video a film of the run (video_encoder.h). The tests, the reference-trace
// checks and the web page's CRC test use it.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "effects/canvas.h"
#include "host/crc32.h"
#include "host/frame_loop.h"
#include "host/music_sync.h"
#include "platform/null/null_screen.h"
#include "platform/stop_requests.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/progress.h"
#include "tools/capture/soundtrack_render.h"
#include "tools/capture/video_encoder.h"

namespace {

bool stdoutWasClosed = false;

// A closed standard descriptor would be taken by the next file opened (a
// pipe to ffmpeg), and the trace would go into it: hold each one on
// /dev/null instead.
// (POSIX only: the Windows build has neither these calls nor an ffmpeg pipe.)
void holdStandardDescriptors() {
#ifndef _WIN32
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) stdoutWasClosed = true;
    const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
#endif
}

void say(const std::string& line) { std::fprintf(stderr, "demo-capture: %s\n", line.c_str()); }

Screen* screen = nullptr;  // the null platform's, for the whole run

// The trace and the snapshots ----------------------------------------------

// `n result sceneIndex sceneFrame fading swing tick crc`, swing as the
// shortest decimal that reads back to the same double. False when the line
// could not be written.
bool printTraceLine(long pass, bool rendered) {
  char swing[32];
  const auto written = std::to_chars(swing, swing + sizeof swing - 1, demoState.swing);
  *written.ptr = '\0';
  const unsigned crc = crc32Of(canvas, kCanvasBytes);
  return std::printf("%ld %d %d %d %d %s %d %08x\n", pass, rendered ? 1 : 0, demoState.sceneIndex,
                     demoState.sceneFrame, demoState.fading ? 1 : 0, swing, demoState.tick,
                     crc) > 0;
}

// Writes the canvas as DIR/canvas-NNNNNN.ppm. "" or why it could not; a file
// that could not be written whole is removed, as a short one would still
// read as a picture.
std::string writePpm(const std::string& dir, long pass) {
  char name[32];
  std::snprintf(name, sizeof name, "/canvas-%06ld.ppm", pass);
  const std::string path = dir + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr;
  if (ok) {
    ok = std::fprintf(file, "P6 %d %d 255\n", kCanvasWidth, kCanvasHeight) > 0 &&
         std::fwrite(canvas, 1, kCanvasBytes, file) == static_cast<size_t>(kCanvasBytes);
    ok = std::fclose(file) == 0 && ok;
  }
  if (ok) return "";
  const int reason = errno;
  if (file != nullptr) unlink(path.c_str());
  return "cannot write " + path + ": " + std::strerror(reason);
}

bool wantsSnapshot(const CaptureOptions& options, long pass) {
  return std::find(options.ppmPasses.begin(), options.ppmPasses.end(), pass) !=
         options.ppmPasses.end();
}

// A snapshot asked for a pass the run never reached: "" when there is none.
std::string missedSnapshot(const CaptureOptions& options, long lastPass) {
  for (const long pass : options.ppmPasses) {
    if (pass > lastPass) {
      return "no snapshot of pass " + std::to_string(pass) + ": the run ended after pass " +
             std::to_string(lastPass);
    }
  }
  return "";
}

// The video ---------------------------------------------------------------

// Roughly how many passes the script has left, for the progress bar: the
// rest of the scene (a skip does not reset its count), the later scenes, and
// a fade from white to black before each scene and after the last.
long estimatedPassesLeft() {
  const int32_t scene = demoState.sceneIndex;
  if (scene >= kSceneCount || scene < 0) return demoState.fading ? kWhiteTransitionPasses : 1;
  long left =
      std::max<long>(0, demoState.sceneLength + 2L - demoState.sceneFrame) + kWhiteTransitionPasses;
  if (demoState.fading) left += kWhiteTransitionPasses;
  for (int32_t later = scene + 1; later < kSceneCount; ++later)
    left += sceneLengthOf(later) + 2L + kWhiteTransitionPasses;
  return left;
}

bool withSound = false;
int16_t sound[kVideoSoundSamplesPerFrame];  // one video frame's
MusicSync musicSync = kMusicSyncAtStart;    // what keys moved the music by

// A video without its music is not what anyone asks for unless they say so.
bool startVideo(const CaptureOptions& options) {
  if (options.videoPath.empty()) return true;
  std::string error;
  withSound = !options.noSound && soundtrackOpen(error);
  if (!withSound && !options.noSound) {
    say(error);
    return false;
  }
  const VideoSettings settings{options.videoPath, static_cast<int>(options.videoScale),
                               videoPicture(options), withSound};
  if (!videoOpen(settings, error)) {
    soundtrackClose();
    say(error);
    return false;
  }
  progressStart();
  return true;
}

// Sends the frame just shown, and its sound, to the video (`endingFrame` as
// soundtrackFrame takes it).
bool filmFrame(long endingFrame, std::string& error) {
  if (withSound && !soundtrackFrame(endingFrame, sound, error)) return false;
  return videoWriteFrame(canvas, withSound ? sound : nullptr, error);
}

// A skip moves the video's music as it moves the demo's, once the sound of
// `pass` is filmed: the scene the skip leads to starts on its section.
bool moveMusicAfter(long pass, std::string& error) {
  const long move = musicMoveAfterPass(musicSync, pass);
  if (move == 0 || !withSound || soundtrackMoveTo(musicSecondsOfPass(musicSync, pass + 1)))
    return true;
  error = "the music library cannot move the sound track";
  return false;
}

// The music's ending plays over the last picture, held as long as it lasts.
bool finishVideo(std::string& error) {
  for (long frame = 0; frame < kSoundtrackEndingFrames; ++frame) {
    if (!filmFrame(frame, error)) return false;
  }
  soundtrackClose();
  return videoFinish(error);
}

// The run ------------------------------------------------------------------

// Stops a run part way: nothing of an unfinished video is left behind.
int abandonCapture(const std::string& why) {
  progressEnd();
  soundtrackClose();
  videoAbort();
  say(stopSignalled() ? "interrupted" : why);
  return stopSignalled() ? 130 : 1;
}

std::string traceWriteError() {
  return std::string("cannot write the trace: ") + std::strerror(errno);
}

// One pass: keys, frame, then what the options record of it. Returns "", or
// why the run must stop.
std::string recordPass(const CaptureOptions& options, long pass, FramePass& result) {
  queueKeysOfPass(options.script, pass);
  const long shownBefore = screen->framesShown;
  result = runFramePass(screen);
  if (options.trace && !printTraceLine(pass, result.rendered)) return traceWriteError();
  std::string error;
  if (wantsSnapshot(options, pass)) error = writePpm(options.outDir, pass);
  const bool shown = screen->framesShown != shownBefore;
  if (error.empty() && shown && !options.videoPath.empty() && filmFrame(-1, error) &&
      moveMusicAfter(pass, error)) {
    const long left =
        std::min(estimatedPassesLeft(),
                 options.script.maxPasses ? options.script.maxPasses - pass : LONG_MAX);
    progressUpdate(screen->framesShown, screen->framesShown + left);
  }
  return error;
}

// What must hold once the last pass ran; then the video is finished. "" or
// why the capture failed.
std::string finishCapture(const CaptureOptions& options, long lastPass) {
  progressEnd();
  std::string error = missedSnapshot(options, lastPass);
  if (error.empty() && std::fflush(stdout) != 0) error = traceWriteError();
  if (error.empty() && !options.videoPath.empty()) finishVideo(error);
  return error;
}

int runCapture(const CaptureOptions& options) {
  if (options.trace && stdoutWasClosed) {
    say("cannot write the trace: standard output is closed");
    return 1;
  }
  resetDemoState();
  if (!startVideo(options)) return 1;
  long pass = 1;
  for (;; ++pass) {
    FramePass result{};
    const std::string error = recordPass(options, pass, result);
    if (stopSignalled() || !error.empty()) return abandonCapture(error);
    if (!loopGoesOn(result) || pass == options.script.maxPasses) break;
  }
  const std::string error = finishCapture(options, pass);
  return error.empty() ? 0 : abandonCapture(error);
}

}  // namespace

int main(int argc, char** argv) {
  holdStandardDescriptors();
  CaptureOptions options;
  std::string error;
  if (!parseCaptureOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "demo-capture: %s\n%s\n", error.c_str(), kCaptureUsage);
    return 2;
  }
  if (options.help) {
    std::printf("%s\n", kCaptureUsage);
    return 0;
  }
  catchStopSignals(BlockedCalls::Interrupt);
#ifdef SIGXFSZ  // POSIX only
  // Past a file-size limit, writes fail with a reason (EFBIG) rather than
  // kill the tool; ffmpeg inherits this.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  screen = openScreen();
  return runCapture(options);
}
