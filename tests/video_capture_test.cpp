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

// Runs the tool in `cwd` (the build folder, where data.dat is, by default).
std::string capture(const std::string& arguments, int* status, const std::string& env = "",
                    const std::string& cwd = DEMO_BUILD_DIR) {
  return shell(
      "cd '" + cwd + "' && " + env + DEMO_BUILD_DIR "/demo-capture " + arguments + " 2>" + kStderr,
      status);
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
  return std::stod(shell("ffprobe -v error -select_streams v:0 -show_entries " + entry +
                         " -of csv=p=0 file:" + file.string()));
}

double rms(const std::vector<int16_t>& samples, double fromSeconds, double toSeconds) {
  const size_t from = size_t(fromSeconds * 44100),
               to = std::min(samples.size(), size_t(toSeconds * 44100));
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
  return to > from ? std::sqrt(sum / double(to - from)) / 32768.0 : 0.0;
}

TEST(VideoCapture, LosslessFramesAreTheCanvasAndSoundFollowsTheScript) {
  ASSERT_TRUE(fs::exists(fs::path(DEMO_BUILD_DIR) / "data.dat")) << "the soundtrack is built";
  // A name ffmpeg would read as a protocol ("take2:") unless told it is a file.
  const fs::path dir = scratchDir("lossless"), video = dir / "take2:run.mp4";
  fs::create_symlink(fs::path(DEMO_BUILD_DIR) / "data.dat", dir / "data.dat");
  int status = -1;
  const auto trace = traceFields(capture(
      std::string(kShortRun) + " --trace --lossless --video take2:run.mp4", &status, "", dir));
  ASSERT_EQ(status, 0) << readFile(kStderr);
  EXPECT_EQ(filesIn(dir).size(), 2u) << "only data.dat and the video";
  EXPECT_EQ(probe(video, "stream=nb_frames"), kFrames);  // every pass drew a frame
  EXPECT_NEAR(probe(video, "format=duration"), kFrames / 60.0, 0.05);

  const std::string frames =
      shell("ffmpeg -v error -i file:" + video.string() + " -f rawvideo -pix_fmt rgb24 -");
  ASSERT_EQ(frames.size(), kFrameBytes * kFrames);
  ASSERT_EQ(trace.size(), 150u);
  for (const int pass : {1, 59, 61, 100, 150})
    EXPECT_EQ(crcHex(frames.data() + (pass - 1) * kFrameBytes, kFrameBytes), trace[pass - 1][7])
        << pass;

  const std::string raw =
      shell("ffmpeg -v error -i file:" + video.string() + " -vn -ac 1 -ar 44100 -f s16le -");
  std::vector<int16_t> sound(raw.size() / 2);
  std::memcpy(sound.data(), raw.data(), sound.size() * 2);
  const double end = sound.size() / 44100.0;
  EXPECT_NEAR(end, kFrames / 60.0, 0.06);
  EXPECT_GT(rms(sound, 0.2, 2.4), 0.05) << "music plays during the scenes";
  EXPECT_LT(rms(sound, end - 0.03, end), 0.01) << "silent at the very end";
}

// PSNR in dB of `frame` against `exact`, over every byte.
double psnr(const char* exact, const char* frame) {
  double squares = 0;
  for (size_t i = 0; i < kFrameBytes; ++i)
    squares += std::pow(uint8_t(exact[i]) - uint8_t(frame[i]), 2);
  return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * kFrameBytes / squares);
}

// The default video is faithful to the canvas in every scene, scene 0's
// one-pixel rings included: no frame below 35 dB PSNR.
TEST(VideoCapture, DefaultVideoIsFaithfulInEveryScene) {
  const fs::path dir = scratchDir("faithful"), video = dir / "run.mp4";
  const int passes[] = {100, 290, 480, 670, 860};  // scenes 0 to 4
  int status = -1;
  capture(
      "--keys 120:space,310:space,500:space,690:space,880:escape --ppm-at 100,290,480,670,860 "
      "--out " +
          dir.string() + " --video " + video.string(),
      &status);
  ASSERT_EQ(status, 0) << readFile(kStderr);
  const std::string frames =
      shell("ffmpeg -v error -i " + video.string() +
            " -vf \"select=eq(n\\,99)+eq(n\\,289)+eq(n\\,479)+eq(n\\,669)+eq(n\\,859)\" "
            "-fps_mode passthrough -f rawvideo -pix_fmt rgb24 -");
  ASSERT_EQ(frames.size(), 5 * kFrameBytes);
  for (size_t i = 0; i < 5; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "canvas-%06d.ppm", passes[i]);
    const std::string ppm = readFile((dir / name).string());
    ASSERT_EQ(ppm.size(), 15 + kFrameBytes) << name;
    EXPECT_GE(psnr(ppm.data() + 15, frames.data() + i * kFrameBytes), 35.0) << "pass " << passes[i];
  }
}

TEST(VideoCapture, WebmIsVp9WithOpusAtTheScaleAsked) {
  const fs::path video = scratchDir("webm") / "run.webm";
  int status = -1;
  capture("--frames 20 --scale 2 --video " + video.string(), &status);
  ASSERT_EQ(status, 0) << readFile(kStderr);
  EXPECT_EQ(shell("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 " +
                  video.string()),
            "vp9,1280,960\nopus\n");
}

TEST(VideoCapture, FailuresSayWhyAndLeaveNothing) {
  const fs::path dir = scratchDir("failures"), disk = scratchDir("small-disk");
  ASSERT_EQ(mountSmallDisk(disk, "1m"), "");
  const std::string why[][3] = {
      {"--frames 5 --video " + (dir / "missing-folder" / "x.mp4").string(), "", "cannot write"},
      {"--frames 5 --video " + (dir / "x.mp4").string(), "PATH=/nonexistent ", "ffmpeg not found"},
      {"--frames 120 --video " + (disk / "x.mp4").string(), "", "No space left on device"}};
  for (const auto& [arguments, env, message] : why) {
    int status = -1;
    capture(arguments, &status, env);
    EXPECT_EQ(status, 1) << arguments;
    EXPECT_NE(readFile(kStderr).find(message), std::string::npos) << readFile(kStderr);
  }
  EXPECT_TRUE(filesIn(dir).empty());
  EXPECT_TRUE(filesIn(disk).empty());
}

// The tool's one child, once it has started.
pid_t ffmpegOf(pid_t capture) {
  const std::string path =
      "/proc/" + std::to_string(capture) + "/task/" + std::to_string(capture) + "/children";
  for (int i = 0; i < 200; ++i, usleep(20'000)) {
    if (const int child = std::atoi(readFile(path).c_str())) return child;
  }
  return -1;
}

// Waits up to `ms` for `pid` to end; if it does not, ends its process group.
bool endsWithin(pid_t pid, int ms, int& raw) {
  for (int waited = 0; waited < ms; waited += 10, usleep(10'000)) {
    if (waitpid(pid, &raw, WNOHANG) == pid) return true;
  }
  kill(-pid, SIGKILL);
  waitpid(pid, &raw, 0);
  return false;
}

// Ctrl-C or SIGTERM stop a capture within a second, even while ffmpeg is
// stopped and takes no frames, and leave nothing behind. Ctrl-C at a
// terminal goes to the whole process group, ffmpeg included.
TEST(VideoCapture, InterruptedCaptureStopsAtOnceAndLeavesNothing) {
  struct Case {
    int signal;
    bool stallFfmpeg, wholeGroup;
  } cases[] = {{SIGINT, true, false}, {SIGTERM, true, false}, {SIGINT, false, true}};
  for (const Case& c : cases) {
    const fs::path dir = scratchDir("interrupted"), video = dir / "run.mp4";
    const pid_t child = fork();
    if (child == 0) {
      setpgid(0, 0);
      if (chdir(DEMO_BUILD_DIR) != 0 || !freopen(kStderr.c_str(), "w", stderr)) _exit(126);
      execl("./demo-capture", "demo-capture", "--video", video.c_str(), nullptr);
      _exit(127);
    }
    const pid_t ffmpeg = ffmpegOf(child);
    int raw = 0;
    if (ffmpeg <= 0) endsWithin(child, 0, raw);
    ASSERT_GT(ffmpeg, 0) << "no ffmpeg";
    usleep(500'000);  // well into the run
    if (c.stallFfmpeg) kill(ffmpeg, SIGSTOP);
    usleep(300'000);
    kill(c.wholeGroup ? -child : child, c.signal);
    EXPECT_TRUE(endsWithin(child, 1000, raw)) << "still running a second after signal " << c.signal;
    EXPECT_NE(kill(ffmpeg, 0), 0) << "ffmpeg left behind";
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 130) << c.signal;
    EXPECT_EQ(readFile(kStderr), "demo-capture: interrupted\n") << c.signal;
    EXPECT_TRUE(filesIn(dir).empty()) << filesIn(dir).size() << " files left";
  }
}

}  // namespace
