// capture_test.cpp - demo-capture as the tools and viewers that use it see it:
// its arguments, trace, snapshots and videos, and what it does when it cannot
// deliver or is stopped. Runs the real binary, from the build folder (where
// data.dat is) unless told otherwise, and reads its videos back with ffmpeg.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kFrameBytes = 640 * 480 * 3;
const std::string kPpmHeader = "P6 640 480 255\n";
// This process's own scratch folder: other builds' tests may run at once.
const fs::path kScratch =
    fs::path(::testing::TempDir()) / ("capture-test-" + std::to_string(getpid()));
const std::string kStderr = (kScratch / "stderr.txt").string();
struct ScratchFolder {
  ScratchFolder() { fs::create_directories(kScratch); }
  ~ScratchFolder() { fs::remove_all(kScratch); }
} scratchFolder;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A shell command's standard output; `status` gets its exit status (-1 when it did not exit).
std::string shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[65536];
  for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.append(buffer, got);
  const int raw = pipe ? pclose(pipe) : -1;
  if (status) *status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

struct Capture {
  int status = -1;
  std::string out, errors;
  std::vector<std::string> trace;  // the lines of `out`
};

// Runs the tool in `cwd`; `arguments` are shell words, so they may redirect its
// output, and `prefix` is shell text before the command (variables, limits).
Capture capture(const std::string& arguments, const fs::path& cwd = DEMO_BUILD_DIR,
                const std::string& prefix = "") {
  Capture run;
  run.out = shell("cd '" + cwd.string() + "' && " + prefix + DEMO_BUILD_DIR "/demo-capture " +
                      arguments + " 2>" + kStderr,
                  &run.status);
  run.errors = readFile(kStderr);
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) run.trace.push_back(line);
  return run;
}

// A frame's CRC-32 as the trace writes it.
std::string crcHex(const char* frame) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08lx",
                crc32(0, reinterpret_cast<const Bytef*>(frame), kFrameBytes));
  return hex;
}

// The pixels of the snapshot of `pass`; empty when it is not a whole 640 x 480 PPM.
std::string snapshot(const fs::path& dir, int pass) {
  char name[32];
  std::snprintf(name, sizeof name, "canvas-%06d.ppm", pass);
  const std::string ppm = readFile(dir / name);
  const bool whole = ppm.size() == kPpmHeader.size() + kFrameBytes && ppm.starts_with(kPpmHeader);
  return whole ? ppm.substr(kPpmHeader.size()) : "";
}

// A video's frames as RGB bytes, one frame after the other.
std::string decodedFrames(const fs::path& video, const std::string& filter = "") {
  return shell("ffmpeg -v error -i file:" + video.string() + filter +
               " -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -");
}

// What ffprobe says of each of the video's streams, one a line.
std::string probe(const fs::path& video, const std::string& entries) {
  return shell("ffprobe -v error -show_entries stream=" + entries +
               " -of csv=p=0 file:" + video.string());
}

fs::path scratchDir(const std::string& name) {
  const fs::path dir = kScratch / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

long filesIn(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), {}); }

// A typo is refused before any work, with the reason and the usage: other
// tools read what the capture writes.
TEST(CaptureTool, RefusesBadArgumentsWithTheUsage) {
  const std::pair<const char*, const char*> cases[] = {
      {"--frames", "--frames needs a value"},
      {"--frames 0", "bad value for --frames: 0"},
      {"--frames 12x", "bad value"},
      {"--keys 5", "bad value"},
      {"--keys 5:enter", "bad value"},
      {"--ppm-at 3", "--ppm-at needs --out DIR"},
      {"--out /tmp", "--out goes with --ppm-at"},
      {"--ppm-at 3,,4 --out /tmp", "bad value"},
      {"--frames 10 --ppm-at 20 --out /tmp", "--ppm-at 20 is after the last pass"},
      {"--video x.avi", "bad value"},
      {"--video x.webm --lossless", "need an .mp4"},
      {"--video x.mp4 --yuv444 --lossless", "exclude each other"},
      {"--bogus", "unknown option --bogus"},
      {"stray", "unexpected argument"}};
  for (const auto& [bad, why] : cases) {
    const Capture run = capture(bad);
    EXPECT_TRUE(run.status == 2 && run.errors.find(why) != std::string::npos &&
                run.errors.find("usage: demo-capture") != std::string::npos && run.out.empty())
        << bad << ": status " << run.status << ", said: " << run.errors;
  }
  const Capture help = capture("--help");
  EXPECT_TRUE(help.status == 0 && help.out.starts_with("usage: demo-capture")) << help.out;
}

// A run that cannot deliver what was asked fails with one line that says why,
// and leaves no partial file: a short PPM or video would still open.
TEST(CaptureTool, OutputThatCannotBeWrittenFailsTheRunAndLeavesNothing) {
  const fs::path dir = scratchDir("failures");
  const std::string out = dir.string();
  // A small file-size limit makes writes fail part-way, as a full disk does,
  // with no root and no mount (so also inside a chroot). A directory named as
  // the video is refused before ffmpeg is even looked for.
  const std::string fileLimit = "ulimit -f 64; ";
  const fs::path folderTarget = scratchDir("folder.mp4");
  const std::string cases[][3] = {
      {"--frames 3 --trace >&-", "", "cannot write the trace: standard output is closed"},
      {"--frames 300 --trace >/dev/full", "", "cannot write the trace: No space left on device"},
      {"--keys 3:escape --ppm-at 5 --out " + out, "", "no snapshot of pass 5: the run ended after"},
      {"--frames 3 --ppm-at 3 --out " + out, fileLimit, "canvas-000003.ppm: File too large"},
      {"--frames 60 --video " + out + "/x.mp4", fileLimit, "File too large"},
      {"--frames 5 --video " + out + "/missing/x.mp4", "", "cannot write " + out + "/missing"},
      {"--frames 5 --video " + out + "/x.mp4", "PATH=/nonexistent ", "ffmpeg not found"},
      {"--video " + folderTarget.string(), "PATH=/nonexistent ", "folder.mp4: Is a directory"}};
  for (const auto& [arguments, prefix, why] : cases) {
    const Capture run = capture(arguments, DEMO_BUILD_DIR, prefix);
    EXPECT_TRUE(run.status == 1 && run.errors.find(why) != std::string::npos &&
                std::count(run.errors.begin(), run.errors.end(), '\n') == 1)
        << prefix << arguments << ": status " << run.status << ", said: " << run.errors;
  }
  EXPECT_EQ(filesIn(dir), 0) << "a partial file was left";
}

// The mean volume in dB of the video's sound, over the part `seek` selects
// (ffmpeg's input options).
double meanVolumeDb(const fs::path& video, const std::string& seek) {
  return std::stod(shell("ffmpeg -nostats " + seek + " -i file:" + video.string() +
                         " -vn -af volumedetect -f null - 2>&1 | sed -n 's/.*mean_volume: //p'"));
}

// The lossless video is the canvas frame for frame, under a file name ffmpeg
// would read as a protocol ("take2:") unless told it is a file. Keys act
// before the pass they are given for, a close request ends the run after its
// pass, and a snapshot is the canvas whose CRC the trace gives. The sound
// follows the script: music through the scenes, then the ending's slides to
// silence over the last picture, held for 30 frames.
TEST(VideoCapture, LosslessFramesSnapshotsAndTraceAgreeAndSoundFollowsTheScript) {
  const fs::path dir = scratchDir("lossless"), video = dir / "take2:run.mp4";
  fs::create_symlink(fs::path(DEMO_BUILD_DIR) / "data.dat", dir / "data.dat");
  const Capture run = capture(
      "--keys 60:space,150:close --trace --ppm-at 61 --out . --lossless --video take2:run.mp4",
      dir);
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_EQ(run.trace.size(), 150u);
  EXPECT_TRUE(run.trace[59].starts_with("60 1 1 59 1 ")) << "Space at pass 60: " << run.trace[59];
  EXPECT_TRUE(run.trace[60].ends_with(crcHex(snapshot(dir, 61).c_str()))) << run.trace[60];
  EXPECT_EQ(filesIn(dir), 3) << "only data.dat, the snapshot and the video";
  const std::string frames = decodedFrames(video);
  ASSERT_EQ(frames.size() / kFrameBytes, 150u + 30u) << "every pass, then the held ending";
  for (const int pass : {1, 59, 60, 100, 150, 180}) {
    const std::string crc = crcHex(frames.data() + (pass - 1) * kFrameBytes);
    EXPECT_TRUE(run.trace[std::min(pass, 150) - 1].ends_with(crc)) << "frame " << pass;
  }
  EXPECT_EQ(probe(video, "codec_type,duration"), "video,3.000000\naudio,3.000000\n");
  EXPECT_GT(meanVolumeDb(video, "-ss 0.2 -t 2.2"), -26) << "music plays during the scenes";
  EXPECT_LT(meanVolumeDb(video, "-sseof -0.03"), -40) << "silent at the very end";
}

// PSNR in dB of brightness plane `y` (2x the canvas) against the canvas
// `rgb` enlarged 2x, its brightness taken as BT.709 in the limited range.
double lumaPsnr2x(const char* rgb, const char* y) {
  double squares = 0;
  for (size_t i = 0; i < 4 * kFrameBytes / 3; ++i) {
    const size_t x = i % 1280 / 2, row = i / 1280 / 2;
    const auto* p = reinterpret_cast<const uint8_t*>(rgb) + (row * 640 + x) * 3;
    const double expected = 16 + (0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]) * 219 / 255;
    squares += std::pow(std::round(expected) - uint8_t(y[i]), 2);
  }
  return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * 4 * kFrameBytes / 3 / squares);
}

// Word `i` (from 0) of the trace line of `pass`.
std::string traceWord(const Capture& run, size_t pass, int i) {
  std::istringstream words(run.trace.at(pass - 1));
  std::string word;
  for (int at = 0; at <= i; ++at) words >> word;
  return word;
}

// `seconds` of a file's sound from `from` s on, mono at 44,100 Hz.
std::vector<float> soundOf(const fs::path& file, double from, double seconds) {
  const std::string raw =
      shell("ffmpeg -v error -i file:" + file.string() + " -ss " + std::to_string(from) + " -t " +
            std::to_string(seconds) + " -ac 1 -ar 44100 -f f32le -");
  std::vector<float> samples(raw.size() / sizeof(float));
  std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
  return samples;
}

// Where `part` lies best in `whole` (samples from its start), and how alike
// they are there (correlation, 1 for the same shape).
std::pair<size_t, double> bestMatch(const std::vector<float>& whole,
                                    const std::vector<float>& part) {
  std::pair<size_t, double> best{0, -1.0};
  double partEnergy = 0;
  for (const float s : part) partEnergy += double(s) * s;
  for (size_t at = 0; at + part.size() <= whole.size(); ++at) {
    double dot = 0, energy = 0;
    for (size_t i = 0; i < part.size(); ++i) {
      dot += double(whole[at + i]) * part[i];
      energy += double(whole[at + i]) * whole[at + i];
    }
    if (const double alike = dot / std::sqrt(energy * partEnergy + 1e-30); alike > best.second)
      best = {at, alike};
  }
  return best;
}

// The default video is what every player plays: H.264 High 4:2:0 at 2x,
// tagged BT.709 limited, AAC, its index in front; its brightness is
// faithful to the canvas in every scene, scene 0's one-pixel rings included;
// and each skip moves its sound as the demo moves the music.
TEST(VideoCapture, DefaultVideoPlaysEverywhereFaithfullyAndSkipsLandOnTheSections) {
  const fs::path dir = scratchDir("faithful"), video = dir / "run.mp4";
  fs::create_symlink(fs::path(DEMO_BUILD_DIR) / "data.dat", dir / "data.dat");
  const std::string keys = "--keys 120:space,310:space,500:space,690:space,880:escape";
  const Capture run =
      capture(keys + " --ppm-at 100,290,480,670,860 --out . --trace --video run.mp4", dir);
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(probe(video, "codec_name,profile,pix_fmt,width,height,color_space,color_range"),
            "h264,High,1280,960,yuv420p,tv,bt709\naac,LC\n");
  const std::string file = readFile(video);
  EXPECT_LT(file.find("moov"), file.find("mdat")) << "the index is not in front";
  const int passes[] = {100, 290, 480, 670, 860};  // scenes 0 to 4
  const std::string frames =
      shell("ffmpeg -v error -i file:" + video.string() +
            " -vf \"select=eq(n\\,99)+eq(n\\,289)+eq(n\\,479)+eq(n\\,669)+eq(n\\,859)\"" +
            " -fps_mode passthrough -f rawvideo -pix_fmt yuv444p -");  // Y, as stored, first
  ASSERT_EQ(frames.size(), 5 * 4 * kFrameBytes);
  for (size_t i = 0; i < 5; ++i) {
    const std::string canvas = snapshot(dir, passes[i]);
    ASSERT_FALSE(canvas.empty()) << passes[i];
    EXPECT_GE(lumaPsnr2x(canvas.data(), frames.data() + i * 4 * kFrameBytes), 40.0)
        << "pass " << passes[i];
  }
  // From the first frame of the scene each Space leads to (the first whose
  // frame count moves on after the fade), the video plays that scene's
  // section of data.dat from its start (where a run without keys starts
  // the scene) within 40 ms.
  constexpr double kSearch = 0.1;
  const size_t spaces[] = {120, 310, 500, 690}, sections[] = {1089, 3177, 4265, 5353};
  for (size_t scene = 1; scene <= 4; ++scene) {
    size_t first = spaces[scene - 1] + 1;
    while (first < 880 && (traceWord(run, first, 4) != "0" ||
                           traceWord(run, first, 3) == traceWord(run, first - 1, 3)))
      ++first;
    const double section = (sections[scene - 1] - 1) / 60.0;
    const auto [at, alike] =
        bestMatch(soundOf(DEMO_BUILD_DIR "/data.dat", section - kSearch, 0.5 + 2 * kSearch),
                  soundOf(video, (first - 1) / 60.0, 0.5));
    EXPECT_NEAR(at / 44100.0 - kSearch, 0.0, 0.040) << "scene " << scene << " is late";
    EXPECT_GT(alike, 0.9) << "scene " << scene;
  }
}

TEST(VideoCapture, WebmIsVp9WithOpusAtTheScaleAsked) {
  const fs::path video = scratchDir("webm") / "run.webm";
  ASSERT_EQ(capture("--frames 20 --scale 2 --video " + video.string()).status, 0);
  EXPECT_EQ(probe(video, "codec_name,width,height"), "vp9,1280,960\nopus\n");
}

// Starts the tool in the build folder in a process group of its own, its
// stderr to kStderr, with SIGHUP ignored when `ignoreHup` (as nohup does).
// Returns its pid once it has a child (ffmpeg), put in `ffmpeg`; 0 for none.
pid_t startCapture(const std::vector<std::string>& arguments, pid_t& ffmpeg,
                   bool ignoreHup = false) {
  const pid_t tool = fork();
  if (tool == 0) {
    setpgid(0, 0);
    for (const int stop : {SIGINT, SIGTERM, SIGHUP}) signal(stop, SIG_DFL);  // whatever ctest had
    if (ignoreHup) signal(SIGHUP, SIG_IGN);
    if (chdir(DEMO_BUILD_DIR) != 0 || !freopen(kStderr.c_str(), "w", stderr)) _exit(126);
    std::vector<char*> argv = {const_cast<char*>("demo-capture")};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv("./demo-capture", argv.data());
    _exit(127);
  }
  const std::string children =
      "/proc/" + std::to_string(tool) + "/task/" + std::to_string(tool) + "/children";
  ffmpeg = 0;
  for (int i = 0; i < 200 && ffmpeg == 0; ++i, usleep(20'000))
    ffmpeg = std::atoi(readFile(children).c_str());
  if (ffmpeg <= 0) kill(-tool, SIGKILL);
  return tool;
}

// Waits up to `seconds` for the tool to end (then kills it): its raw wait
// status, or -1 when it had to be killed.
int endOf(pid_t tool, int seconds) {
  int raw = 0;
  for (int waited = 0; waitpid(tool, &raw, WNOHANG) != tool; usleep(10'000)) {
    if (++waited == seconds * 100) kill(-tool, SIGKILL);
    if (waited > seconds * 100) raw = -1;
  }
  return raw;
}

// Whether the process has ended: gone, or a zombie that whoever adopted it
// has yet to reap.
bool isGone(pid_t pid) {
  const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t state = stat.rfind(") ");
  return state == std::string::npos || stat[state + 2] == 'Z';
}

// A stop signal ends a capture within a second, even while ffmpeg is stopped
// and takes no frames; it says "interrupted" and leaves nothing behind.
// Ctrl-C at a terminal goes to the whole process group, ffmpeg included.
// Signals the tool cannot catch take ffmpeg with it, and leave no file under
// any name. A signal ignored at the start (SIGHUP under nohup) stays ignored.
TEST(VideoCapture, SignalsEndTheCaptureWithFfmpegAndLeaveNothingUnlessIgnored) {
  struct Case {
    int signal;
    bool stallFfmpeg, wholeGroup;
    int status;  // exit status, or 128 + the signal that ended it
  };
  const Case cases[] = {{SIGINT, true, false, 130},
                        {SIGTERM, true, false, 130},
                        {SIGINT, false, true, 130},
                        {SIGKILL, false, false, 128 + SIGKILL},
                        {SIGQUIT, true, false, 128 + SIGQUIT},
                        {SIGUSR1, false, false, 128 + SIGUSR1},
                        {SIGHUP, false, false, 0}};
  for (const auto& [signal, stallFfmpeg, wholeGroup, status] : cases) {
    const bool ignored = signal == SIGHUP;
    const fs::path dir = scratchDir("interrupted"), video = dir / "run.mp4";
    pid_t ffmpeg = 0;
    const pid_t tool = startCapture(
        {"--frames", ignored ? "900" : "100000", "--video", video.string()}, ffmpeg, ignored);
    ASSERT_GT(ffmpeg, 0) << "no ffmpeg";
    usleep(500'000);  // well into the run
    if (stallFfmpeg) kill(ffmpeg, SIGSTOP);
    usleep(300'000);
    ASSERT_EQ(waitpid(tool, nullptr, WNOHANG), 0) << "ended before signal " << signal;
    kill(wholeGroup ? -tool : tool, signal);
    const int raw = endOf(tool, ignored ? 60 : 1);
    EXPECT_NE(raw, -1) << "still running after signal " << signal;
    const int ended = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    EXPECT_EQ(ended, status) << signal;
    for (int i = 0; i < 100 && !isGone(ffmpeg); ++i) usleep(10'000);
    EXPECT_TRUE(isGone(ffmpeg)) << "ffmpeg left behind after signal " << signal;
    const std::string said = readFile(kStderr);
    EXPECT_EQ(said, status == 130 ? "demo-capture: interrupted\n" : "") << signal;
    EXPECT_EQ(filesIn(dir), ignored ? 1 : 0) << "files after signal " << signal;
  }
}

// Fake ffmpegs: one that takes every frame and writes nothing, one that
// writes something that is no video, one that never reads. The first two
// fail the run; the third gets a word after a few seconds, and Ctrl-C.
TEST(VideoCapture, FfmpegThatWritesNoVideoFailsAndOneThatStallsIsNamed) {
  const fs::path fake = scratchDir("fake-ffmpeg"), dir = scratchDir("fake-video");
  const std::string path = "PATH=" + fake.string() + ":$PATH ";
  const std::pair<const char*, const char*> fakes[] = {
      {"exec cat >/dev/null", "ffmpeg wrote nothing"},
      {"for a; do out=${a#file:}; done; cat >/dev/null; echo junk >$out",
       "ffmpeg did not write an MP4 file"}};
  for (const auto& [script, why] : fakes) {
    std::ofstream(fake / "ffmpeg") << "#!/bin/sh\n" << script << "\n";
    fs::permissions(fake / "ffmpeg", fs::perms::owner_all);
    const Capture run =
        capture("--frames 5 --no-sound --video " + (dir / "x.mp4").string(), DEMO_BUILD_DIR, path);
    EXPECT_EQ(run.status, 1) << script;
    EXPECT_EQ(run.errors, "demo-capture: " + std::string(why) + "\n") << script;
  }
  EXPECT_EQ(filesIn(dir), 0);
  std::ofstream(fake / "ffmpeg") << "#!/bin/sh\nexec sleep 60\n";
  const std::string oldPath = getenv("PATH");
  setenv("PATH", (fake.string() + ":" + oldPath).c_str(), 1);
  pid_t ffmpeg = 0;
  const pid_t tool = startCapture({"--video", (dir / "x.mp4").string()}, ffmpeg);
  setenv("PATH", oldPath.c_str(), 1);
  for (int i = 0; i < 600 && readFile(kStderr).empty(); ++i) usleep(10'000);
  kill(tool, SIGINT);
  const int raw = endOf(tool, 1);
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 130);
  EXPECT_EQ(readFile(kStderr),
            "demo-capture: waiting for ffmpeg to take frames (it has taken nothing for 3 s; "
            "Ctrl-C stops)\ndemo-capture: interrupted\n");
  EXPECT_EQ(filesIn(dir), 0);
}

// A link as the target is followed, whether it points to a file or to none
// yet, and stays a link. data.dat is found beside the program when the
// working folder has none; with neither, the run fails unless --no-sound
// asks for silence.
TEST(VideoCapture, TargetLinksAreFollowedAndMusicIsFoundBesideTheProgram) {
  const fs::path dir = scratchDir("targets"), program = scratchDir("program");
  std::ofstream(dir / "old.mp4") << "old";
  fs::create_symlink("old.mp4", dir / "to-old.mp4");
  fs::create_symlink(dir / "new.mp4", dir / "to-new.mp4");
  for (const char* link : {"to-old.mp4", "to-new.mp4"})
    EXPECT_EQ(capture("--frames 5 --video " + std::string(link), dir).status, 0) << link;
  EXPECT_TRUE(fs::is_symlink(dir / "to-old.mp4") && fs::is_symlink(dir / "to-new.mp4"));
  EXPECT_EQ(probe(dir / "old.mp4", "codec_type"), "video\naudio\n");
  EXPECT_EQ(probe(dir / "new.mp4", "codec_type"), "video\naudio\n");
  EXPECT_EQ(filesIn(dir), 4);

  fs::copy_file(fs::path(DEMO_BUILD_DIR) / "demo-capture", program / "demo-capture");
  const std::string copy = (program / "demo-capture").string() + " --frames 5 ";
  const auto run = [&](const std::string& arguments, int* status) {
    return shell("cd " + dir.string() + " && " + copy + arguments + " 2>&1", status);
  };
  int status = -1;
  EXPECT_EQ(run("--video silent.mp4", &status), "demo-capture: no music file: no data.dat in " +
                                                    dir.string() + " or in " + program.string() +
                                                    " (--no-sound makes a silent video)\n");
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(fs::exists(dir / "silent.mp4"));
  EXPECT_EQ(run("--no-sound --video silent.mp4", &status), "");
  EXPECT_EQ(probe(dir / "silent.mp4", "codec_type"), "video\n");
  fs::create_symlink(fs::path(DEMO_BUILD_DIR) / "data.dat", program / "data.dat");
  EXPECT_EQ(run("--video beside.mp4", &status), "");
  EXPECT_EQ(probe(dir / "beside.mp4", "codec_type"), "video\naudio\n");
}

}  // namespace
