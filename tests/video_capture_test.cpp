// demo-capture --video: what a viewer of the video gets. Runs the real tool
// and reads its files back with ffmpeg/ffprobe.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_tool.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kFrameBytes = 640 * 480 * 3;
constexpr const char* kShortRun = "--keys 60:space,150:escape";  // crosses a scene
constexpr int kFrames = 150 + 30;  // its passes, then the music's ending held on the last picture
const std::string kStderr = ::testing::TempDir() + "video-stderr.txt";

std::string capture(const std::string& arguments, int* status, const std::string& env = "") {
  return shell("cd " DEMO_BUILD_DIR " && " + env + "./demo-capture " + arguments + " 2>" + kStderr, status);
}

fs::path scratchDir(const std::string& name) {
  const fs::path dir = fs::path(::testing::TempDir()) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// Only the file itself: no temporary files may be left beside it.
std::vector<std::string> filesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  return names;
}

double probe(const fs::path& file, const std::string& entry) {
  return std::stod(shell("ffprobe -v error -select_streams v:0 -show_entries " + entry + " -of csv=p=0 " + file.string()));
}

double rms(const std::vector<int16_t>& samples, double fromSeconds, double toSeconds) {
  const size_t from = size_t(fromSeconds * 44100), to = std::min(samples.size(), size_t(toSeconds * 44100));
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / double(to - from)) / 32768.0 : 0.0;
}

TEST(VideoCapture, LosslessFramesAreTheCanvasAndSoundFollowsTheScript) {
  ASSERT_TRUE(fs::exists(fs::path(DEMO_BUILD_DIR) / "data.dat")) << "the soundtrack is built";
  const fs::path dir = scratchDir("lossless"), video = dir / "run.mp4";
  int status = -1;
  const auto trace = traceFields(capture(std::string(kShortRun) + " --trace --lossless --video " + video.string(), &status));
  ASSERT_EQ(status, 0) << readFile(kStderr);
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"run.mp4"});
  EXPECT_EQ(probe(video, "stream=nb_frames"), kFrames);  // every pass drew a frame
  EXPECT_NEAR(probe(video, "format=duration"), kFrames / 60.0, 0.05);

  const std::string frames = shell("ffmpeg -v error -i " + video.string() + " -f rawvideo -pix_fmt rgb24 -");
  ASSERT_EQ(frames.size(), kFrameBytes * kFrames);
  ASSERT_EQ(trace.size(), 150u);
  for (const int pass : {1, 59, 61, 100, 150})
    EXPECT_EQ(crcHex(frames.data() + (pass - 1) * kFrameBytes, kFrameBytes), trace[pass - 1][7]) << pass;

  const std::string raw = shell("ffmpeg -v error -i " + video.string() + " -vn -ac 1 -ar 44100 -f s16le -");
  std::vector<int16_t> sound(raw.size() / 2);
  std::memcpy(sound.data(), raw.data(), sound.size() * 2);
  const double end = sound.size() / 44100.0;
  EXPECT_NEAR(end, kFrames / 60.0, 0.06);
  EXPECT_GT(rms(sound, 0.2, 2.4), 0.05) << "music plays during the scenes";
  EXPECT_LT(rms(sound, end - 0.03, end), 0.01) << "silent at the very end";
}

TEST(VideoCapture, WebmIsVp9WithOpusAtTheScaleAsked) {
  const fs::path video = scratchDir("webm") / "run.webm";
  int status = -1;
  capture("--frames 20 --scale 2 --video " + video.string(), &status);
  ASSERT_EQ(status, 0) << readFile(kStderr);
  EXPECT_EQ(shell("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 " + video.string()),
            "vp9,1280,960\nopus\n");
}

TEST(VideoCapture, FailuresSayWhyAndLeaveNothing) {
  const fs::path dir = scratchDir("failures");
  int status = -1;
  capture("--frames 5 --video " + (dir / "missing-folder" / "x.mp4").string(), &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(readFile(kStderr).find("cannot write"), std::string::npos);
  capture("--frames 5 --video " + (dir / "x.mp4").string(), &status, "PATH=/nonexistent ");
  EXPECT_NE(status, 0);
  EXPECT_NE(readFile(kStderr).find("ffmpeg not found"), std::string::npos);
  EXPECT_TRUE(filesIn(dir).empty());
}

TEST(VideoCapture, InterruptedCaptureLeavesNothingUnderItsName) {
  const fs::path dir = scratchDir("interrupted"), video = dir / "run.mp4";
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(DEMO_BUILD_DIR) != 0 || !freopen("/dev/null", "w", stderr)) _exit(126);
    execl("./demo-capture", "demo-capture", "--video", video.c_str(), nullptr);
    _exit(127);
  }
  // Wait until it is well into the run, then Ctrl-C.
  for (int i = 0; i < 100 && filesIn(dir).size() < 2; ++i) usleep(50'000);
  usleep(500'000);
  kill(child, SIGINT);
  int raw = 0;
  waitpid(child, &raw, 0);
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) != 0);
  EXPECT_TRUE(filesIn(dir).empty()) << filesIn(dir).size() << " files left";
}

}  // namespace
