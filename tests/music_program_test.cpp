// music_program_test.cpp - the host's music binding against a fake music
// library (music_fake_bass.cpp) that logs its calls. The music start and end
// run in a child process (music_driver.cpp) so that a crash, a hang or a
// wrong exit status shows; the directory it is started from holds the full
// fake or one lacking an entry point.
#include <gtest/gtest.h>

#include "tests/music_test_support.h"

using namespace musictest;

namespace {

using Texts = std::vector<std::string>;

struct DriverRun {
  int status = -1;
  Texts errorLines, calls;    // calls: the call and its arguments, as logged
  std::vector<long long> ms;  // when each call was made
};

// Runs the driver from `variant`, in a fresh directory that holds a
// "data.dat" when `withData`, with the fake failing the calls in `fail`.
DriverRun runDriver(const std::string& variant, bool withData = true, const std::string& fail = "") {
  ScratchDir dir;
  if (withData) writeFile(dir / "data.dat", "music");
  std::string log = dir / "calls.log", err = dir / "stderr.txt";
  DriverRun run;
  run.status = waitProcess(startProcess(
      {"/usr/bin/timeout", "-s", "KILL", "20", std::string(MUSIC_FAKE_DIR "/") + variant + "/music_driver"},
      dir.path.string(), {"FAKE_BASS_LOG=" + log, "FAKE_BASS_FAIL=" + fail}, err));
  run.errorLines = lines(readFile(err));
  for (const std::string& line : lines(readFile(log))) {
    size_t space = line.find(' ');
    run.ms.push_back(std::stoll(line.substr(0, space)));
    run.calls.push_back(line.substr(space + 1));
  }
  return run;
}

const std::string kInit = "BASS_Init -1 44100 0 0";
const std::string kCreate = "BASS_StreamCreateFile 0 data.dat 0 0 0x40000";

TEST(MusicBinding, StartAndEndMakeExactlyTheDesignedCalls) {
  DriverRun run = runDriver("full");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.errorLines, Texts{});
  const std::string sliding = "BASS_ChannelIsSliding 1";
  // The stream's handle is 7 but the slides address channel 1; the second
  // unload the driver makes must not release the library again.
  EXPECT_EQ(run.calls, (Texts{kInit, kCreate, "BASS_Start", "BASS_StreamPlay 7 1 4",
                              "BASS_ChannelSlideAttributes 1 1000 -1 -101 500",
                              "BASS_ChannelSlideAttributes 1 -1 0 -101 200", sliding, sliding,
                              sliding, sliding, "BASS_Free", "unloaded", "driver done"}));
  ASSERT_EQ(run.ms.size(), 13u);
  EXPECT_GE(run.ms[5] - run.ms[4], 300) << "300 ms between the two slides";
  for (size_t poll = 7; poll <= 9; ++poll) EXPECT_GE(run.ms[poll] - run.ms[poll - 1], 1) << "polls 1 ms apart";
}

// Each failure: one line on stderr saying why, the output freed once it was
// opened, the library unloaded, and the demo going on to exit 0.
TEST(MusicBinding, EveryFailureIsOneLineAndSilence) {
  const struct {
    const char* variant;
    bool withData;
    const char* fail;
    const char* saying;
    Texts calls;
  } cases[] = {
      // Nothing of a library lacking an entry point is called.
      {"no_is_sliding", true, "", "lacks BASS_ChannelIsSliding", {"unloaded"}},
      {"full", true, "init", "no audio output", {kInit, "unloaded"}},
      {"full", false, "create", "\"data.dat\" not found", {kInit, kCreate, "BASS_Free", "unloaded"}},
      {"full", true, "create", "not playable", {kInit, kCreate, "BASS_Free", "unloaded"}},
      {"full", true, "start", "would not start", {kInit, kCreate, "BASS_Start", "BASS_Free", "unloaded"}},
      {"full", true, "play", "would not play",
       {kInit, kCreate, "BASS_Start", "BASS_StreamPlay 7 1 4", "BASS_Free", "unloaded"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saying);
    DriverRun run = runDriver(c.variant, c.withData, c.fail);
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.errorLines.size(), 1u);
    EXPECT_NE(run.errorLines[0].find(c.saying), std::string::npos) << run.errorLines[0];
    EXPECT_NE(run.errorLines[0].find("without music"), std::string::npos) << run.errorLines[0];
    Texts expected = c.calls;
    expected.push_back("driver done");
    EXPECT_EQ(run.calls, expected);
  }
}

}  // namespace
