// music_binding_test.cpp - the host's music binding against a fake music
// library that logs its calls (music_fake_bass.cpp, built beside this test,
// where the binding looks first). The demo's music start and end run in a
// child process, so that a crash, a hang or a wrong exit status shows, from
// a fresh folder with or without a "data.dat".
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "effects/canvas.h"
#include "host/frame_loop.h"
#include "host/key_script.h"
#include "host/music.h"
#include "host/music_pacing.h"
#include "host/music_sync.h"
#include "platform/null/null_screen.h"
#include "platform/stop_requests.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"

namespace {

using Texts = std::vector<std::string>;
const std::string kInit = "init -1 44100 0 0", kCreate = "create 0 data.dat 0 0 0x40000";
const std::string kPlay = "play 7 1 4", kPoll = "sliding 1";
const std::string kSlow = "slide 1 1000 -1 -101 500", kFade = "slide 1 -1 0 -101 200";

// The calls of a music start and end that went as designed. The stream's
// handle is 7 but the slides address channel 1.
const Texts kDesigned = {kInit, kCreate, "start", kPlay, kSlow, kFade,
                         kPoll, kPoll,   kPoll,   kPoll, "free"};

// The calls the fake fails, whether the folder holds a "data.dat", the one
// line on stderr that says why (none when all is well), and the calls made
// before the library is released. A failure frees the output once it was
// opened, and the demo goes on to exit 0. A position that fails leaves the
// music as designed, and the monotonic clock pacing it.
const std::tuple<const char*, bool, std::string, Texts> kCases[] = {
    {"", true, "", kDesigned},
    {"getpos", true, "", kDesigned},
    {"init", true, "no audio output", {kInit}},
    {"create", false, "\"data.dat\" not found", {kInit, kCreate, "free"}},
    {"create", true, "not playable", {kInit, kCreate, "free"}},
    {"start", true, "would not start", {kInit, kCreate, "start", "free"}},
    {"play", true, "would not play", {kInit, kCreate, "start", kPlay, "free"}},
};

TEST(MusicBinding, MakesTheDesignedCallsAndFailsAsOneLineAndSilence) {
  for (auto [fail, withData, saying, expected] : kCases) {
    SCOPED_TRACE(fail);
    char dir[] = "/tmp/musicbinding-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/calls.log";
    if (withData) std::ofstream(std::string(dir) + "/data.dat") << "music";
    auto runMusic = [&] {
      alarm(20);  // a hang ends the child
      if (chdir(dir) != 0) exit(2);
      setenv("FAKE_BASS_LOG", log.c_str(), 1);
      setenv("FAKE_BASS_FAIL", fail, 1);
      musicStart();
      // The position answers while music plays, unless the library fails it.
      if ((musicHeardSeconds() >= 0.0) != (saying.empty() && *fail == '\0')) exit(3);
      musicEnd();
      unloadMusicApi();  // a second release must do nothing
      std::ofstream(log, std::ios::app) << "0 exit\n";
      exit(0);
    };
    const std::string line = "^demo: [^\n]*" + saying + "[^\n]*without music\n$";
    EXPECT_EXIT(runMusic(), testing::ExitedWithCode(0), saying.empty() ? "^$" : line);

    Texts calls;
    std::vector<long long> ms;  // when each call was made
    std::ifstream in(log);
    for (std::string call; in >> ms.emplace_back() && std::getline(in >> std::ws, call);)
      calls.push_back(call);
    std::filesystem::remove_all(dir);
    expected.insert(expected.end(), {"unloaded", "exit"});
    EXPECT_EQ(calls, expected);
    if (!saying.empty() || ms.size() < 10) continue;
    // The fade starts 300 ms into the slow-down, and the polls wait.
    EXPECT_GE(ms[5] - ms[4], 300) << "300 ms between the two slides";
    EXPECT_GE(ms[9] - ms[6], 3) << "the three polls that answered yes 1 ms apart";
  }
}

// A library that reports a slide for ever: the end waits the slides' 500 ms
// and gives up 1.5 s past them, or sooner on a stop signal that comes while
// it waits, though not on the one that ended the frame loop before it.
TEST(MusicBinding, TheEndGivesUpOnAStuckSlideAndOnAStopSignal) {
  for (bool signalled : {false, true}) {
    char dir[] = "/tmp/musicbinding-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/calls.log";
    std::ofstream(std::string(dir) + "/data.dat") << "music";
    auto endMusic = [&] {
      alarm(20);  // a hang ends the child
      if (chdir(dir) != 0) exit(2);
      setenv("FAKE_BASS_LOG", log.c_str(), 1);
      setenv("FAKE_BASS_SLIDING", "forever", 1);
      catchStopSignals(BlockedCalls::Restart);
      raise(SIGTERM);
      pollInputs();  // the frame loop takes the signal that ends it
      musicStart();
      if (signalled) {
        std::thread([] {
          std::this_thread::sleep_for(std::chrono::milliseconds(800));
          kill(getpid(), SIGTERM);
        }).detach();
      }
      musicEnd();
      exit(0);
    };
    EXPECT_EXIT(endMusic(), testing::ExitedWithCode(0), "^$");
    long long ms = 0, slid = 0, freed = 0;
    std::ifstream in(log);
    for (std::string call; in >> ms && std::getline(in >> std::ws, call);) {
      if (call.starts_with("slide") && slid == 0) slid = ms;
      if (call == "free") freed = ms;
    }
    std::filesystem::remove_all(dir);
    EXPECT_GE(freed - slid, signalled ? 700 : 1950) << signalled;
    EXPECT_LT(freed - slid, signalled ? 1500 : 3000) << signalled;
  }
}

// The music-led loop for 2 s, Space pressed at pass 30, a stop signal to end:
// against music that runs a quarter fast the picture keeps to it by
// presenting fewer frames, never by leaving out a pass; against music that
// never moves it runs on the monotonic clock.
TEST(MusicLedLoop, KeepsToTheMusicHeardAndComputesEveryPass) {
  for (const char* rate : {"1.25", "0"}) {
    SCOPED_TRACE(rate);
    char dir[] = "/tmp/musicled-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/calls.log", out = std::string(dir) + "/out";
    auto play = [&] {
      alarm(20);
      if (chdir(dir) != 0) exit(2);
      setenv("FAKE_BASS_LOG", log.c_str(), 1);
      setenv("FAKE_BASS_RATE", rate, 1);
      catchStopSignals(BlockedCalls::Restart);
      musicStart();
      resetDemoState();
      const KeyScript keys{{{30, ScriptKey::Space}}};
      std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        kill(getpid(), SIGTERM);
      }).detach();
      Screen* screen = openScreen();
      const auto start = std::chrono::steady_clock::now();
      const long passes = runMusicLedLoop(screen, &keys);
      const std::chrono::duration<double> played = std::chrono::steady_clock::now() - start;
      const double heard = musicHeardSeconds();
      const std::vector<uint8_t> shown(canvas, canvas + kCanvasBytes);
      // The same passes run one by one, unpaced, draw the same canvas.
      resetDemoState();
      std::fill(canvas, canvas + kCanvasBytes, 0);
      MusicSync sync = kMusicSyncAtStart;
      for (long pass = 1; pass <= passes; ++pass) {
        queueKeysOfPass(keys, pass);
        runFramePass(nullptr);
        musicMoveAfterPass(sync, pass);
      }
      const bool same = std::equal(shown.begin(), shown.end(), canvas);
      std::ofstream(out) << passes << ' ' << screen->framesShown << ' ' << heard << ' '
                         << musicSecondsOfPass(sync, passes) << ' ' << same << ' ' << played.count()
                         << '\n';
      exit(0);
    };
    EXPECT_EXIT(play(), testing::ExitedWithCode(0), "^$");
    long passes = 0, shown = 0;
    double heard = 0;
    double inStep = 0, played = 0;
    int same = 0;
    std::ifstream(out) >> passes >> shown >> heard >> inStep >> same >> played;
    std::ifstream in(log);
    std::string calls((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(dir);
    EXPECT_TRUE(same) << "the last canvas is that of pass " << passes;
    // The skip moved the music to scene 1's section; the scene is in step with it.
    // That section starts at 18.133 s; the transition into it plays first.
    const size_t setpos = calls.find("setpos 1 ");
    ASSERT_NE(setpos, std::string::npos) << calls;
    const double movedTo = std::stod(calls.substr(setpos + 9));
    EXPECT_TRUE(movedTo > 16.6 && movedTo < 18.14) << movedTo;
    if (rate[0] == '0') {
      // Stalled: the music stands where it was moved; the picture ran on at 60 a second.
      EXPECT_NEAR(passes, played * 60, 8);
      EXPECT_GT(shown, passes * 0.9);
    } else {
      EXPECT_NEAR(heard, inStep, 0.05) << passes << " passes";
      EXPECT_NEAR(passes, played * 75, 8);
      EXPECT_LT(shown, passes * 0.9) << "presented frames dropped to keep up";
      EXPECT_GT(shown, 100);
    }
  }
}

// A library file cut short of what its ELF header declares is refused, with
// the reason, before the loader maps it (mapped, the program died of a bus
// error); so is a header with a program header size no loader knows. The
// whole file, the fake beside this test, loads.
TEST(LibraryLoading, RefusesAFileCutShortOfItsSegments) {
  std::ostringstream whole;
  whole << std::ifstream(
               std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libdemobass.so",
               std::ios::binary)
               .rdbuf();
  const std::string bytes = whole.str(), path = "/tmp/libcut-" + std::to_string(getpid()) + ".so";
  auto load = [&](const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    platform::ModuleHandle module = platform::LoadLibraryA(path.c_str());
    platform::FreeLibrary(module);
    std::filesystem::remove(path);
    return module ? std::string("loaded") : std::string(platform::lastLoadError());
  };
  EXPECT_EQ(load(bytes), "loaded");
  std::string odd = bytes;
  odd[54] = 1;  // the low byte of the program header size (e_phentsize)
  EXPECT_NE(load(odd).find(path + ": a broken ELF header"), std::string::npos);
  for (size_t cut : {64, 1000, 12000}) {
    EXPECT_NE(load(bytes.substr(0, cut)).find(path + ": cut short"), std::string::npos) << cut;
  }
}

}  // namespace
