// demo-capture --video: what a viewer of the video gets. Runs the real tool
// and reads its files back with ffmpeg/ffprobe.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kFrameBytes = 640 * 480 * 3;
constexpr int kEndingFrames = 30;  // the music's ending, held on the last picture
// A short run that still crosses a scene: Space at pass 60, Escape at 150.
constexpr const char* kShortRun = "--keys 60:space,150:escape";
constexpr int kShortRunFrames = 150;

// Runs `command` in a shell; its standard output, and the exit status.
std::string shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[65536];
  size_t got;
  while (pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  const int raw = pipe ? pclose(pipe) : -1;
  if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::string capture(const std::string& arguments, int* status) {
  return shell("cd " + std::string(DEMO_BUILD_DIR) + " && ./demo-capture " + arguments + " 2>" +
                   ::testing::TempDir() + "video-stderr.txt",
               status);
}

std::string stderrOfLastCapture() {
  return shell("cat " + ::testing::TempDir() + "video-stderr.txt");
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

double probe(const fs::path& file, const std::string& entry, const char* stream) {
  return std::stod(shell("ffprobe -v error -select_streams " + std::string(stream) +
                         " -show_entries " + entry + " -of csv=p=0 " + file.string()));
}

std::vector<int16_t> decodeSound(const fs::path& file) {
  const std::string raw =
      shell("ffmpeg -v error -i " + file.string() + " -vn -ac 1 -ar 44100 -f s16le -");
  std::vector<int16_t> samples(raw.size() / 2);
  std::memcpy(samples.data(), raw.data(), samples.size() * 2);
  return samples;
}

double rms(const std::vector<int16_t>& samples, double fromSeconds, double toSeconds) {
  const size_t from = size_t(fromSeconds * 44100),
               to = std::min(samples.size(), size_t(toSeconds * 44100));
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / double(to - from)) / 32768.0 : 0.0;
}

class VideoCapture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(fs::exists(fs::path(DEMO_BUILD_DIR) / "data.dat")) << "the soundtrack is built";
  }
};

TEST_F(VideoCapture, LosslessFramesAreTheCanvasAndSoundFollowsTheScript) {
  const fs::path dir = scratchDir("lossless");
  const fs::path video = dir / "run.mp4";
  int status = -1;
  const std::string trace =
      capture(std::string(kShortRun) + " --trace --lossless --video " + video.string(), &status);
  ASSERT_EQ(status, 0) << stderrOfLastCapture();
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"run.mp4"});

  // Every pass drew a frame; the ending holds the last one.
  EXPECT_EQ(probe(video, "stream=nb_frames", "v:0"), kShortRunFrames + kEndingFrames);
  EXPECT_NEAR(probe(video, "format=duration", "v:0"), (kShortRunFrames + kEndingFrames) / 60.0,
              0.05);

  std::map<int, std::string> traceCrc;  // pass -> crc
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> f{std::istream_iterator<std::string>(fields), {}};
    traceCrc[std::stoi(f[0])] = f[7];
  }
  const std::string frames =
      shell("ffmpeg -v error -i " + video.string() + " -f rawvideo -pix_fmt rgb24 -");
  ASSERT_EQ(frames.size(), kFrameBytes * (kShortRunFrames + kEndingFrames));
  for (const int pass : {1, 59, 61, 100, 150}) {
    char crc[9];
    std::snprintf(
        crc, sizeof crc, "%08lx",
        crc32(0L, reinterpret_cast<const Bytef*>(frames.data() + (pass - 1) * kFrameBytes),
              kFrameBytes));
    EXPECT_EQ(crc, traceCrc.at(pass)) << "pass " << pass;
  }

  const std::vector<int16_t> sound = decodeSound(video);
  EXPECT_NEAR(sound.size() / 44100.0, (kShortRunFrames + kEndingFrames) / 60.0, 0.06);
  EXPECT_GT(rms(sound, 0.2, 2.4), 0.05) << "music plays during the scenes";
  const double end = sound.size() / 44100.0;
  EXPECT_LT(rms(sound, end - 0.03, end), 0.01) << "silent at the very end";
}

TEST_F(VideoCapture, WebmIsVp9WithOpusAtTheScaleAsked) {
  const fs::path dir = scratchDir("webm");
  const fs::path video = dir / "run.webm";
  int status = -1;
  capture("--frames 20 --scale 2 --video " + video.string(), &status);
  ASSERT_EQ(status, 0) << stderrOfLastCapture();
  EXPECT_EQ(shell("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 " +
                  video.string()),
            "vp9,1280,960\nopus\n");
}

TEST_F(VideoCapture, FailuresSayWhyAndLeaveNothing) {
  const fs::path dir = scratchDir("failures");
  int status = -1;
  capture("--frames 5 --video " + (dir / "missing-folder" / "x.mp4").string(), &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(stderrOfLastCapture().find("cannot write"), std::string::npos);

  // No ffmpeg on the PATH.
  shell("cd " + std::string(DEMO_BUILD_DIR) +
            " && PATH=/nonexistent ./demo-capture --frames 5 --video " + (dir / "x.mp4").string() +
            " 2>" + ::testing::TempDir() + "video-stderr.txt",
        &status);
  EXPECT_NE(status, 0);
  EXPECT_NE(stderrOfLastCapture().find("ffmpeg not found"), std::string::npos);
  EXPECT_TRUE(filesIn(dir).empty());
}

TEST_F(VideoCapture, InterruptedCaptureLeavesNothingUnderItsName) {
  const fs::path dir = scratchDir("interrupted");
  const fs::path video = dir / "run.mp4";
  const pid_t child = fork();
  if (child == 0) {
    chdir(DEMO_BUILD_DIR);
    freopen("/dev/null", "w", stderr);
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
