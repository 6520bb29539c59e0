// The capture tool as other tools see it: its argument checks, its trace
// format and its snapshots, by running the real binary.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>

#include "support/run_tool.h"

namespace {

struct CaptureRun {
  int status = -1;
  std::string out;     // the trace
  std::string errors;  // stderr
  std::vector<std::vector<std::string>> trace;
};

CaptureRun capture(const std::string& arguments) {
  const std::string errorFile = ::testing::TempDir() + "capture-stderr.txt";
  CaptureRun run;
  run.out = shell(std::string(DEMO_CAPTURE) + " " + arguments + " 2>" + errorFile, &run.status);
  run.errors = readFile(errorFile);
  run.trace = traceFields(run.out);
  return run;
}

TEST(CaptureTool, TraceHasOneWellFormedLinePerPass) {
  const CaptureRun run = capture("--frames 3 --trace");
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::regex format(R"((\d+ [01] -?\d+ -?\d+ [01] \S+ -?\d+ [0-9a-f]{8}\n){3})");
  EXPECT_TRUE(std::regex_match(run.out, format)) << run.out;
  ASSERT_EQ(run.trace.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(run.trace[i][0], std::to_string(i + 1));
  EXPECT_EQ(run.trace[0][5], "2") << "swing 1.0 + 1.0 as its shortest decimal";
  EXPECT_EQ(run.trace[2][3], "3");
}

TEST(CaptureTool, SnapshotIsTheCanvasTheTraceChecksums) {
  const std::string dir = ::testing::TempDir() + "snapshots";
  std::filesystem::create_directories(dir);
  const CaptureRun run = capture("--frames 2 --trace --ppm-at 2 --out " + dir);
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string ppm = readFile(dir + "/canvas-000002.ppm");
  const std::string header = "P6 640 480 255\n";
  ASSERT_EQ(ppm.size(), header.size() + 921600);
  EXPECT_EQ(ppm.substr(0, header.size()), header);
  EXPECT_EQ(run.trace.at(1).at(7), crcHex(ppm.data() + header.size(), 921600));
  EXPECT_FALSE(std::filesystem::exists(dir + "/canvas-000001.ppm"));
}

TEST(CaptureTool, KeysArriveBeforeTheirPassAndCloseEndsAfterIt) {
  const CaptureRun run = capture("--keys 2:space,3:close --trace");
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_EQ(run.trace.size(), 3u) << "the close pass is the last";
  EXPECT_EQ(run.trace[0][2], "0");
  EXPECT_EQ(run.trace[1][2], "1") << "Space moved the scene on";
  EXPECT_EQ(run.trace[1][4], "1") << "the fade of the lit canvas has begun";
  EXPECT_EQ(run.trace[1][3], run.trace[0][3]) << "a fade frame is not counted";
}

TEST(CaptureTool, BadArgumentsGetUsageAndStatusTwo) {
  const std::pair<const char*, const char*> cases[] = {
      {"--frames", "needs a value"},
      {"--frames 0", "bad value"},
      {"--frames -4", "bad value"},
      {"--frames 12x", "bad value"},
      {"--keys 5", "bad value"},
      {"--keys 5:enter", "bad value"},
      {"--keys 0:space", "bad value"},
      {"--keys 4:space,", "bad value"},
      {"--ppm-at 3", "--out"},
      {"--ppm-at 3,,4 --out /tmp", "bad value"},
      {"--bogus", "unknown option --bogus"},
      {"--frames=5", "unknown option --frames=5"},
      {"stray", "unexpected argument"},
      {"--frames 10 --ppm-at 20 --out /tmp", "--ppm-at 20 is after the last pass"},
      {"--video x.webm --lossless", "--lossless needs an .mp4"}};
  for (const auto& [bad, why] : cases) {
    const CaptureRun run = capture(bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.errors.find(why), std::string::npos) << bad << ": " << run.errors;
    EXPECT_NE(run.errors.find("usage: demo-capture"), std::string::npos) << bad;
    EXPECT_TRUE(run.out.empty()) << bad;
  }
  const CaptureRun help = capture("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.find("usage: demo-capture"), 0u) << help.out;
}

// A run that cannot deliver what was asked says why in one line and fails;
// a snapshot that could not be written whole is not left behind.
TEST(CaptureTool, OutputThatCannotBeWrittenFailsTheRun) {
  const std::string disk = ::testing::TempDir() + "small-disk";
  std::filesystem::create_directories(disk);
  ASSERT_EQ(mountSmallDisk(disk, "512k"), "");
  const std::pair<std::string, const char*> cases[] = {
      {"--frames 3 --trace >&-", "cannot write the trace: standard output is closed"},
      {"--frames 300 --trace >/dev/full", "cannot write the trace: No space left on device"},
      {"--keys 3:escape --ppm-at 5 --out /tmp",
       "no snapshot of pass 5: the run ended after pass 3"},
      {"--frames 3 --ppm-at 2 --out " + disk, "canvas-000002.ppm: No space left on device"}};
  for (const auto& [arguments, why] : cases) {
    const CaptureRun run = capture(arguments);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_NE(run.errors.find(why), std::string::npos) << arguments << ": " << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
  }
  EXPECT_TRUE(std::filesystem::is_empty(disk)) << "a partial snapshot was left";
}

}  // namespace
