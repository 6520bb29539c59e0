// music_e2e_test.cpp - the whole demo, as the README runs it (from the build
// directory, with the data.dat the build rendered), on an Xvfb display with
// SDL's disk audio driver at its real-time pace: let it play, press Escape,
// and listen to the recording: music, then the slow-down, then silence, and
// exit status 0. Also the demo without usable music: it plays on, silent.
#include <fcntl.h>
#include <poll.h>

#include <gtest/gtest.h>

#include "tests/music_test_support.h"

using namespace musictest;

namespace {

const std::string kBuildDir = DEMO_BUILD_DIR;

// An Xvfb server on a display number it picks itself; stopped at the end.
struct VirtualDisplay {
  pid_t pid = -1;
  std::string name;  // ":N", empty when the server did not start

  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 3);
      int devNull = open("/dev/null", O_WRONLY);
      dup2(devNull, 1);
      dup2(devNull, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    pollfd ready{fds[0], POLLIN, 0};
    char number[16] = {};
    if (pid > 0 && poll(&ready, 1, 10000) == 1 && read(fds[0], number, sizeof number - 1) > 0) {
      name = ":" + std::to_string(atoi(number));
    }
    close(fds[0]);
  }
  ~VirtualDisplay() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

struct DemoRun {
  RunResult result;
  std::chrono::milliseconds escapeToExit{0};
  std::vector<std::string> errorLines;
};

// Runs the demo in `cwd` for `playFor`, then presses Escape.
DemoRun runDemo(const VirtualDisplay& display, const std::string& cwd, const std::string& recording,
                std::chrono::milliseconds playFor, const std::string& audioDriver = "disk") {
  ScratchDir scratch;
  // Sanitizer builds: the leak check would report the display and audio
  // libraries SDL loads and unloads itself (the music library's own leaks
  // are checked where it is linked directly, in music_library_test), and
  // the thread checker the software GL driver that SDL's X11 video starts
  // and a lock order inside SDL's own start-up. Either would change the exit
  // status this test reads. The music library stays under the thread check.
  std::string threadSuppressions = scratch / "tsan.supp";
  writeFile(threadSuppressions,
            "race:swrast_dri.so\ndeadlock:libSDL2-2.0.so.0\n");
  std::vector<std::string> env = {"DISPLAY=" + display.name, "SDL_VIDEODRIVER=x11",
                                  "SDL_AUDIODRIVER=" + audioDriver, "SDL_DISKAUDIOFILE=" + recording,
                                  "AUDIODEV=hw:99,0",  // for ALSA: a card no machine has
                                  "ASAN_OPTIONS=detect_leaks=0",
                                  "TSAN_OPTIONS=suppressions=" + threadSuppressions};
  DemoRun run;
  pid_t demo = startProcess({kBuildDir + "/demo"}, cwd, env, scratch / "stderr.txt");
  if (demo < 0) return run;
  std::this_thread::sleep_for(playFor);
  pid_t key = startProcess({"/usr/bin/xdotool", "key", "Escape"}, cwd, env, scratch / "xdotool.txt");
  auto pressed = std::chrono::steady_clock::now();
  run.result = waitProcess(demo, std::chrono::seconds(15));
  run.escapeToExit = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - pressed);
  if (key > 0) waitProcess(key, std::chrono::seconds(5));
  for (const std::string& line : lines(readFile(scratch / "stderr.txt"))) {
    if (line.find("disk i/o audio driver") == std::string::npos &&
        line.find("Writing to file") == std::string::npos) {
      run.errorLines.push_back(line);  // SDL's notices about the disk driver are not ours
    }
  }
  return run;
}

TEST(MusicEndToEnd, DemoPlaysTheMusicThenSlowsItDownAndFadesItOut) {
  VirtualDisplay display;
  ASSERT_FALSE(display.name.empty()) << "Xvfb did not start";
  ScratchDir dir;
  std::string recording = dir / "demo.raw";
  DemoRun run = runDemo(display, kBuildDir, recording, std::chrono::seconds(5));
  ASSERT_TRUE(run.result.exited) << "the demo did not end on Escape";
  EXPECT_EQ(run.result.status, 0);
  EXPECT_TRUE(run.errorLines.empty()) << run.errorLines.front();
  EXPECT_GE(run.escapeToExit, std::chrono::milliseconds(500)) << "the slides were not waited for";

  std::vector<int16_t> out = readLeft(recording);
  const size_t window = kRate / 20;  // 50 ms
  size_t start = firstNonZero(out);
  // A slow (sanitizer) build on a busy machine takes a while to start.
  const size_t musicSpan = kRate * 3 / 2;
  ASSERT_GT(out.size(), start + musicSpan + kRate) << "under two and a half seconds of sound";

  // Music: loud enough, never clipped, busy with high and low notes.
  double musicRms = rms(out, start, musicSpan);
  EXPECT_GT(musicRms, 2000);
  EXPECT_LT(peak(out, start, out.size()), 32767);
  double musicCrossings = double(zeroCrossings(out, start, musicSpan)) / (musicSpan / window);

  // The slow-down: somewhere in the last 700 ms the music is still audible
  // but crosses zero far less often, its pitch fallen.
  size_t slowed = 0;
  for (size_t at = out.size() - kRate * 7 / 10; at + window <= out.size(); at += window / 5) {
    if (rms(out, at, window) > musicRms * 0.05 && zeroCrossings(out, at, window) < musicCrossings / 5) {
      slowed = at;
      break;
    }
  }
  EXPECT_GT(slowed, start + musicSpan) << "no slowed-down music before the end";

  // Then silence.
  EXPECT_LT(peak(out, out.size() - 256, 256), 328) << "the recording does not end in silence";
}

TEST(MusicEndToEnd, DemoWithoutPlayableMusicRunsSilentAndEndsNormally) {
  VirtualDisplay display;
  ASSERT_FALSE(display.name.empty()) << "Xvfb did not start";
  const struct {
    const char* content;  // null: no data.dat
    const char* audioDriver;
    const char* saying;
  } cases[] = {
      {nullptr, "disk", "not found"},
      {"\x1a\x45\xdf\xa3 not a tune", "disk", "not playable"},
      // ALSA's own complaints about the card must not reach stderr either.
      {"FAKEMUSIC", "alsa", "no audio output"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saying);
    ScratchDir dir;
    if (c.content) writeFile(dir / "data.dat", c.content);
    DemoRun run = runDemo(display, dir.path.string(), dir / "demo.raw", std::chrono::seconds(1),
                          c.audioDriver);
    ASSERT_TRUE(run.result.exited);
    EXPECT_EQ(run.result.status, 0);
    ASSERT_EQ(run.errorLines.size(), 1u);
    EXPECT_NE(run.errorLines[0].find(c.saying), std::string::npos) << run.errorLines[0];
  }
}

}  // namespace
