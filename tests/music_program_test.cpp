// music_program_test.cpp - the host's music binding against a fake music
// library (music_fake_bass.cpp) that logs its calls. The music start and end
// run in a child process (music_driver.cpp) so that a crash, a hang or a
// wrong exit status shows; the directories the driver is started from hold
// the full fake, a fake lacking one entry point, or no library at all.
#include <gtest/gtest.h>

#include "host/music.h"
#include "tests/music_test_support.h"

using namespace musictest;

namespace {

const std::string kFakeDirs = MUSIC_FAKE_DIR;

struct Call {
  long long ms;
  std::string text;  // the call and its arguments
};

struct DriverRun {
  RunResult result;
  std::vector<std::string> errorLines;
  std::vector<Call> calls;

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.text);
    return out;
  }
};

// Runs the driver from `variant` with `dataFile` (if not null) as
// "data.dat" in a fresh working directory.
DriverRun runDriver(const std::string& variant, const char* dataFile, const std::string& fail = "") {
  ScratchDir dir;
  if (dataFile) writeFile(dir / "data.dat", dataFile);
  std::string log = dir / "calls.log", err = dir / "stderr.txt";
  pid_t pid = startProcess({kFakeDirs + "/" + variant + "/music_driver"}, dir.path.string(),
                           {"FAKE_BASS_LOG=" + log, "FAKE_BASS_FAIL=" + fail}, err);
  DriverRun run;
  if (pid < 0) return run;
  run.result = waitProcess(pid, std::chrono::seconds(20));
  run.errorLines = lines(readFile(err));
  for (const std::string& line : lines(readFile(log))) {
    size_t space = line.find(' ');
    run.calls.push_back({std::stoll(line.substr(0, space)), line.substr(space + 1)});
  }
  return run;
}

using Texts = std::vector<std::string>;

TEST(MusicBinding, StartAndEndMakeExactlyTheDesignedCalls) {
  DriverRun run = runDriver("full", "FAKEMUSIC and then some");
  ASSERT_TRUE(run.result.exited);
  EXPECT_EQ(run.result.status, 0);
  EXPECT_TRUE(run.errorLines.empty()) << run.errorLines.front();
  EXPECT_EQ(run.texts(), (Texts{
                             "BASS_Init -1 44100 0 0",
                             "BASS_StreamCreateFile 0 data.dat 0 0 0x40000",
                             "BASS_Start",
                             "BASS_StreamPlay 7 1 4",
                             "BASS_ChannelSlideAttributes 1 1000 -1 -101 500",
                             "BASS_ChannelSlideAttributes 1 -1 0 -101 200",
                             "BASS_ChannelIsSliding 1",
                             "BASS_ChannelIsSliding 1",
                             "BASS_ChannelIsSliding 1",
                             "BASS_ChannelIsSliding 1",
                             "BASS_Free",
                             "unloaded",
                             "driver done",
                         }));
  ASSERT_EQ(run.calls.size(), 13u);
  EXPECT_GE(run.calls[5].ms - run.calls[4].ms, 300) << "300 ms between the two slides";
  for (size_t poll = 7; poll <= 9; ++poll) {
    EXPECT_GE(run.calls[poll].ms - run.calls[poll - 1].ms, 1) << "polls 1 ms apart";
  }
}

TEST(MusicBinding, MissingLibraryOrEntryPointMeansSilenceNotACall) {
  DriverRun noLibrary = runDriver("no_library", "FAKEMUSIC");
  ASSERT_TRUE(noLibrary.result.exited);
  EXPECT_EQ(noLibrary.result.status, 0);
  ASSERT_EQ(noLibrary.errorLines.size(), 1u);
  EXPECT_NE(noLibrary.errorLines[0].find("BASS.DLL"), std::string::npos) << noLibrary.errorLines[0];
  EXPECT_NE(noLibrary.errorLines[0].find("without music"), std::string::npos);
  EXPECT_EQ(noLibrary.texts(), (Texts{"driver done"}));

  // The fake lacks BASS_ChannelIsSliding: nothing of it is called at all,
  // and it is released before the driver finishes.
  DriverRun partial = runDriver("no_is_sliding", "FAKEMUSIC");
  ASSERT_TRUE(partial.result.exited);
  EXPECT_EQ(partial.result.status, 0);
  ASSERT_EQ(partial.errorLines.size(), 1u);
  EXPECT_NE(partial.errorLines[0].find("BASS_ChannelIsSliding"), std::string::npos)
      << partial.errorLines[0];
  EXPECT_EQ(partial.texts(), (Texts{"unloaded", "driver done"}));
}

TEST(MusicBinding, UnplayableMusicFileFreesTheOutputAndRunsSilent) {
  const Texts expected = {"BASS_Init -1 44100 0 0", "BASS_StreamCreateFile 0 data.dat 0 0 0x40000",
                          "BASS_Free", "unloaded", "driver done"};
  const struct {
    const char* content;  // null: no data.dat
    const char* saying;
  } cases[] = {{nullptr, "not found"}, {"garbage", "not playable"}, {"", "not playable"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saying);
    DriverRun run = runDriver("full", c.content);
    ASSERT_TRUE(run.result.exited);
    EXPECT_EQ(run.result.status, 0);
    ASSERT_EQ(run.errorLines.size(), 1u);
    EXPECT_NE(run.errorLines[0].find(c.saying), std::string::npos) << run.errorLines[0];
    EXPECT_EQ(run.texts(), expected);
  }
}

TEST(MusicBinding, OutputThatFailsIsReleasedAndTheDemoGoesOn) {
  DriverRun noDevice = runDriver("full", "FAKEMUSIC", "init");
  ASSERT_TRUE(noDevice.result.exited);
  EXPECT_EQ(noDevice.result.status, 0);
  EXPECT_EQ(noDevice.errorLines.size(), 1u);
  EXPECT_EQ(noDevice.texts(), (Texts{"BASS_Init -1 44100 0 0", "unloaded", "driver done"}));

  DriverRun noPlay = runDriver("full", "FAKEMUSIC", "play");
  ASSERT_TRUE(noPlay.result.exited);
  EXPECT_EQ(noPlay.result.status, 0);
  EXPECT_EQ(noPlay.errorLines.size(), 1u);
  EXPECT_EQ(noPlay.texts(), (Texts{"BASS_Init -1 44100 0 0",
                                   "BASS_StreamCreateFile 0 data.dat 0 0 0x40000", "BASS_Start",
                                   "BASS_StreamPlay 7 1 4", "BASS_Free", "unloaded",
                                   "driver done"}));
}

// In this process: the test executable sits beside the full fake.
TEST(MusicBinding, UnloadReleasesTheLibraryOnceAndClearsTheTable) {
  ScratchDir dir;
  std::string log = dir / "calls.log";
  setenv("FAKE_BASS_LOG", log.c_str(), 1);
  ASSERT_TRUE(loadMusicApi());
  EXPECT_NE(musicApi.module, nullptr);
  EXPECT_NE(musicApi.BASS_ChannelIsSliding, nullptr);
  EXPECT_EQ(missingMusicEntry(), nullptr);
  unloadMusicApi();
  EXPECT_EQ(musicApi.module, nullptr);
  EXPECT_EQ(musicApi.BASS_Init, nullptr);
  unloadMusicApi();
  unloadMusicApi();
  int unloads = 0;
  for (const std::string& line : lines(readFile(log))) unloads += line.ends_with(" unloaded");
  EXPECT_EQ(unloads, 1);
  // And it loads again afterwards.
  ASSERT_TRUE(loadMusicApi());
  unloadMusicApi();
}

}  // namespace
