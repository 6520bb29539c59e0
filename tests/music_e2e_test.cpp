// music_e2e_test.cpp - the whole demo, as the README runs it (from the build
// directory, with the data.dat the build rendered), on an Xvfb display with
// SDL's disk audio driver at its real-time pace: let it play, press Escape,
// and listen to the recording: music, then the slow-down, then silence, and
// exit status 0.
#include <poll.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "tests/music_test_support.h"

using namespace musictest;

namespace {

// An Xvfb server on a display number it picks itself; stopped at the end.
struct VirtualDisplay {
  pid_t pid = -1;
  std::string name;  // ":N", empty when the server did not start

  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    if ((pid = fork()) == 0) {
      dup2(fds[1], 3);
      int devNull = open("/dev/null", O_WRONLY);
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
    if (pid > 0 && kill(pid, SIGTERM) == 0) waitpid(pid, nullptr, 0);
  }
};

TEST(MusicEndToEnd, DemoPlaysTheMusicThenSlowsItDownAndFadesItOut) {
  VirtualDisplay display;
  ASSERT_FALSE(display.name.empty()) << "Xvfb did not start";
  ScratchDir dir;
  std::string recording = dir / "demo.raw";
  // Sanitizer builds: the leak check would report the display and audio
  // libraries SDL loads and unloads itself (the music library's own leaks
  // are checked where it is linked directly, in music_library_test), and
  // the thread checker the software GL driver that SDL's X11 video starts
  // and a lock order inside SDL's own start-up. Either would change the exit
  // status read here. The music library stays under the thread check.
  writeFile(dir / "tsan.supp", "race:swrast_dri.so\ndeadlock:libSDL2-2.0.so.0\n");
  const std::vector<std::string> env = {
      "DISPLAY=" + display.name, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=disk",
      "SDL_DISKAUDIOFILE=" + recording, "ASAN_OPTIONS=detect_leaks=0",
      "TSAN_OPTIONS=suppressions=" + dir / "tsan.supp"};
  pid_t demo = startProcess({"/usr/bin/timeout", "-s", "KILL", "20", DEMO_BUILD_DIR "/demo"},
                            DEMO_BUILD_DIR, env, dir / "stderr.txt");
  std::this_thread::sleep_for(std::chrono::seconds(5));
  waitProcess(startProcess({"/usr/bin/xdotool", "key", "Escape"}, ".", env, dir / "xdotool.txt"));
  auto pressed = std::chrono::steady_clock::now();
  EXPECT_EQ(waitProcess(demo), 0) << readFile(dir / "stderr.txt");
  EXPECT_GE(std::chrono::steady_clock::now() - pressed, std::chrono::milliseconds(500))
      << "the slides were not waited for";
  // (A quiet stderr in this run is the fault-injection script's to check.)

  std::vector<int16_t> out = leftOf(readFile(recording));
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
  for (size_t at = out.size() - kRate * 7 / 10; at + window <= out.size() && !slowed; at += window / 5) {
    if (rms(out, at, window) > musicRms * 0.05 && zeroCrossings(out, at, window) < musicCrossings / 5) slowed = at;
  }
  EXPECT_GT(slowed, start + musicSpan) << "no slowed-down music before the end";
  EXPECT_LT(peak(out, out.size() - 256, 256), 328) << "the recording does not end in silence";
}

}  // namespace
