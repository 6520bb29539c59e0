// The capture tool as other tools see it: its argument checks, its trace
// format and its snapshots, by running the real binary.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tools/capture/capture_options.h"

namespace {

struct CaptureRun {
  int status = -1;
  std::vector<std::string> lines;  // stdout
  std::string errors;              // stderr
};

CaptureRun capture(const std::string& arguments) {
  const std::string errorFile = ::testing::TempDir() + "capture-stderr.txt";
  const std::string command = std::string(DEMO_CAPTURE) + " " + arguments + " 2>" + errorFile;
  CaptureRun run;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line = buffer;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    run.lines.push_back(line);
  }
  const int raw = pipe ? pclose(pipe) : -1;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream err(errorFile);
  run.errors.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  return run;
}

std::vector<std::string> fields(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

TEST(CaptureTool, TraceHasOneWellFormedLinePerPass) {
  const CaptureRun run = capture("--frames 3 --trace");
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_EQ(run.lines.size(), 3u);
  const std::regex format(R"(\d+ [01] -?\d+ -?\d+ [01] \S+ -?\d+ [0-9a-f]{8})");
  for (size_t i = 0; i < run.lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(run.lines[i], format)) << run.lines[i];
    EXPECT_EQ(fields(run.lines[i])[0], std::to_string(i + 1));
  }
  EXPECT_EQ(fields(run.lines[0])[5], "2") << "swing 1.0 + 1.0 as its shortest decimal";
  EXPECT_EQ(fields(run.lines[2])[3], "3");
}

TEST(CaptureTool, SnapshotIsTheCanvasTheTraceChecksums) {
  const std::string dir = ::testing::TempDir() + "snapshots";
  std::filesystem::create_directories(dir);
  const CaptureRun run = capture("--frames 2 --trace --ppm-at 2 --out " + dir);
  ASSERT_EQ(run.status, 0) << run.errors;
  std::ifstream file(dir + "/canvas-000002.ppm", std::ios::binary);
  const std::string ppm{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::string header = "P6 640 480 255\n";
  ASSERT_EQ(ppm.size(), header.size() + 921600);
  EXPECT_EQ(ppm.substr(0, header.size()), header);
  const auto* pixels = reinterpret_cast<const Bytef*>(ppm.data() + header.size());
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08lx", crc32(0L, pixels, 921600));
  EXPECT_EQ(fields(run.lines.at(1))[7], crc);
  EXPECT_FALSE(std::filesystem::exists(dir + "/canvas-000001.ppm"));
}

TEST(CaptureTool, KeysArriveBeforeTheirPass) {
  CaptureRun run = capture("--keys 2:space --frames 2 --trace");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(fields(run.lines.at(0))[2], "0");
  EXPECT_EQ(fields(run.lines.at(1))[2], "1") << "Space moved the scene on";
  EXPECT_EQ(fields(run.lines.at(1))[4], "1") << "the fade of the lit canvas has begun";
  EXPECT_EQ(fields(run.lines.at(1))[3], fields(run.lines.at(0))[3]) << "a fade frame is not counted";

  run = capture("--keys 3:escape --trace");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.lines.size(), 3u) << "the Escape pass is the last";

  run = capture("--keys 1:space,1:close --trace");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(fields(run.lines[0])[2], "1") << "both keys of the pass were handled";
}

TEST(CaptureTool, BadArgumentsGetUsageAndStatusTwo) {
  for (const char* bad : {"--frames", "--frames 0", "--frames -4", "--frames 12x", "--keys 5",
                          "--keys 5:enter", "--keys 0:space", "--keys 4:space,", "--ppm-at 3",
                          "--ppm-at 3,,4 --out /tmp", "--bogus", "stray"}) {
    const CaptureRun run = capture(bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.errors.find("usage: demo-capture"), std::string::npos) << bad;
    EXPECT_TRUE(run.lines.empty()) << bad;
  }
}

TEST(CaptureOptions, ParsesEveryOptionInOrder) {
  const char* argv[] = {"demo-capture", "--keys", "700:space,2:close,2:escape",
                        "--frames",     "9",      "--trace",
                        "--ppm-at",     "1,5",    "--out",
                        "dir"};
  CaptureOptions options;
  std::string error;
  ASSERT_TRUE(parseCaptureOptions(10, argv, options, error)) << error;
  ASSERT_EQ(options.keys.size(), 3u);
  EXPECT_EQ(options.keys[0].pass, 700);
  EXPECT_EQ(options.keys[1].key, CaptureKey::Close);
  EXPECT_EQ(options.keys[2].key, CaptureKey::Escape);
  EXPECT_EQ(options.maxPasses, 9);
  EXPECT_TRUE(options.trace);
  EXPECT_EQ(options.ppmPasses, (std::vector<long>{1, 5}));
  EXPECT_EQ(options.outDir, "dir");
}

}  // namespace
