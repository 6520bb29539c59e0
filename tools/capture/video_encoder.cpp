// video_encoder.cpp - ffmpeg as a child process on two pipes, writing into an
// unnamed file that is linked into place at the end.
#include "tools/capture/video_encoder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effects/canvas.h"
#include "platform/stop_requests.h"
#include "tools/capture/progress.h"

extern char** environ;

namespace {

constexpr int kSoundFd = 3;          // the sound pipe, as ffmpeg sees it
constexpr int kOutputFd = 4;         // the file it writes, as ffmpeg sees it
constexpr int kPipeWaitMs = 50;      // between looks at a full pipe
constexpr int kPipeBytes = 1 << 20;  // a whole frame fits: drawing runs ahead of the encoder
constexpr int kHdHeight = 720;       // from this height players take the colours as BT.709
constexpr auto kStallNotice = std::chrono::seconds(3);  // ffmpeg taking nothing this long is news
constexpr int kMaxLinks = 40;                           // as the kernel follows at most

// Quality settings measured on the whole script (bench/capture_speed.sh).
// The standard picture: x264's fastest preset is what keeps pace at 2x, with
// the two tools that make its stream High profile (CABAC, 8x8 transforms)
// switched back on; -tune psnr keeps it from trading the rings' fine detail
// for what its psychovisual model prefers.
const std::vector<std::string> kH264Standard = {
    "-c:v", "libx264",    "-preset", "ultrafast", "-x264-params", "cabac=1:8x8dct=1", "-tune",
    "psnr", "-profile:v", "high",    "-crf",      "14",           "-pix_fmt",         "yuv420p"};
// Full colour: the lowest PSNR of any frame is scene 0's, whose rings leave
// a lossy coder little to gain over lossless. VP9 is far slower on such
// frames: its real-time mode is the one that encodes them at a usable speed.
const std::vector<std::string> kH264FullColour = {"-c:v",     "libx264", "-preset", "ultrafast",
                                                  "-tune",    "psnr",    "-crf",    "14",
                                                  "-pix_fmt", "yuv444p"};
const std::vector<std::string> kVp9FullColour = {
    "-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "6",        "-row-mt",
    "1",    "-crf",       "10",        "-b:v",     "0",         "-pix_fmt", "yuv444p"};
const std::vector<std::string> kH264Lossless = {"-c:v",      "libx264rgb", "-preset",
                                                "ultrafast", "-qp",        "0"};

struct Encoder {
  VideoSettings settings;
  std::string target;  // where the video goes: the path asked, its links followed
  int output = -1;     // the file ffmpeg writes
  std::string part;    // its name, when the file system has no unnamed files
  pid_t child = -1;
  int framePipe = -1;
  int soundPipe = -1;
  int log = -1;  // ffmpeg's messages, in memory
};

Encoder encoder;

bool endsWith(const std::string& text, const char* suffix) {
  const size_t length = std::strlen(suffix);
  return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool isWebm(const std::string& path) { return endsWith(path, ".webm"); }

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// ".NAME.part-PID" beside `path`.
std::string hiddenNameBeside(const std::string& path) {
  const size_t nameStart = path.rfind('/') + 1;  // npos + 1 is 0
  return path.substr(0, nameStart) + "." + path.substr(nameStart) + ".part-" +
         std::to_string(getpid());
}

// `path` with a symbolic link as its last part followed, as often as it
// takes, to where the link points, whether that exists yet or not.
std::string followLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    char to[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), to, sizeof to - 1);
    if (length <= 0) break;
    const std::string link(to, size_t(length));
    path =
        link[0] == '/' || path.find('/') == std::string::npos ? link : folderOf(path) + "/" + link;
  }
  return path;
}

std::string cannotWrite(int reason) {
  return "cannot write " + encoder.settings.path + ": " + std::strerror(reason);
}

// Opens the file ffmpeg will write: unnamed in the target's folder, or under
// a hidden name where the file system cannot do that.
bool openOutput(std::string& error) {
  struct stat target {};
  if (stat(encoder.target.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    error = cannotWrite(EISDIR);
    return false;
  }
  encoder.output = open(folderOf(encoder.target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
  if (encoder.output < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
    encoder.part = hiddenNameBeside(encoder.target);
    encoder.output = open(encoder.part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (encoder.output < 0) encoder.part.clear();
  }
  if (encoder.output < 0) error = cannotWrite(errno);
  return encoder.output >= 0;
}

// Gives the finished file the target's name, replacing what was there.
bool publishOutput(std::string& error) {
  if (!encoder.part.empty()) {
    if (std::rename(encoder.part.c_str(), encoder.target.c_str()) != 0) {
      error = cannotWrite(errno);
      return false;
    }
    encoder.part.clear();
    return true;
  }
  // An unnamed file is linked through /proc: a name can only be new, so an
  // existing target is replaced by a rename from a hidden name.
  const std::string self = "/proc/self/fd/" + std::to_string(encoder.output);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, encoder.target.c_str(), AT_SYMLINK_FOLLOW) == 0)
    return true;
  const std::string hidden = hiddenNameBeside(encoder.target);
  if (errno == EEXIST &&
      linkat(AT_FDCWD, self.c_str(), AT_FDCWD, hidden.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    if (std::rename(hidden.c_str(), encoder.target.c_str()) == 0) return true;
    const int reason = errno;
    unlink(hidden.c_str());
    errno = reason;
  }
  error = cannotWrite(errno);
  return false;
}

// False with a reason unless ffmpeg's file is something, and opens as the
// container asked: an ffmpeg that failed without a word must not pass.
bool outputLooksRight(std::string& error) {
  unsigned char head[8] = {};
  const ssize_t got = pread(encoder.output, head, sizeof head, 0);
  const bool webm = isWebm(encoder.target);
  const bool right =
      got == ssize_t(sizeof head) && (webm ? std::memcmp(head, "\x1a\x45\xdf\xa3", 4) == 0
                                           : std::memcmp(head + 4, "ftyp", 4) == 0);
  if (right) return true;
  error = got <= 0 ? "ffmpeg wrote nothing"
                   : std::string("ffmpeg did not write ") + (webm ? "a WebM" : "an MP4") + " file";
  return false;
}

// ffmpeg reads a name with a colon in it as a protocol; "file:" makes it a
// plain file.
std::string asFile(const std::string& path) { return "file:" + path; }

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Square pixels at the scale asked, and the YUV colours converted with the
// matrix the file declares: the one players assume for the picture's height
// anyway, in the limited range they all expect.
std::vector<std::string> pictureArguments(const VideoSettings& settings) {
  const int height = kCanvasHeight * settings.scale;
  std::string filter = "scale=" + std::to_string(kCanvasWidth * settings.scale) + ":" +
                       std::to_string(height) + ":flags=neighbor";
  if (settings.picture == VideoPicture::Lossless) return {"-vf", filter};
  const bool hd = height >= kHdHeight;
  filter += ":out_color_matrix=" + std::string(hd ? "bt709" : "bt601") + ":out_range=tv";
  return {"-vf",          filter, "-colorspace",      hd ? "bt709" : "smpte170m",
          "-color_range", "tv",   "-color_primaries", "bt709",
          "-color_trc",   "bt709"};
}

const std::vector<std::string>& codecArguments(const VideoSettings& settings) {
  switch (settings.picture) {
    case VideoPicture::Standard:
      return kH264Standard;
    case VideoPicture::FullColour:
      return isWebm(settings.path) ? kVp9FullColour : kH264FullColour;
    case VideoPicture::Lossless:
      break;
  }
  return kH264Lossless;
}

std::vector<std::string> ffmpegArguments(const VideoSettings& settings) {
  // The raw inputs say all there is to know; left to probe them, ffmpeg would
  // wait for seconds of sound while the frames it has not read yet hold up
  // the tool that writes both.
  const std::vector<std::string> rawInput = {"-probesize", "32", "-analyzeduration", "0"};
  std::vector<std::string> arguments = {"ffmpeg",    "-hide_banner", "-nostdin",
                                        "-loglevel", "error",        "-y"};
  append(arguments, rawInput);
  append(arguments, {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                     std::to_string(kCanvasWidth) + "x" + std::to_string(kCanvasHeight),
                     "-framerate", std::to_string(kVideoFramesPerSecond), "-i", "pipe:0"});
  if (settings.withSound) {
    append(arguments, rawInput);
    append(arguments, {"-f", "s16le", "-ar", std::to_string(kVideoSoundRate), "-ac", "2", "-i",
                       "pipe:" + std::to_string(kSoundFd)});
  }
  append(arguments, pictureArguments(settings));
  append(arguments, codecArguments(settings));
  const bool webm = isWebm(settings.path);
  if (settings.withSound) append(arguments, {"-c:a", webm ? "libopus" : "aac", "-b:a", "192k"});
  // The index at the front, so that it plays while it downloads: ffmpeg
  // moves it there by reading the file back, which its /proc name allows.
  if (!webm) append(arguments, {"-movflags", "+faststart"});
  append(arguments, {"-f", webm ? "webm" : "mp4"});
  arguments.push_back(asFile("/proc/self/fd/" + std::to_string(kOutputFd)));
  return arguments;
}

// A pipe whose writing end, the tool's, does not block.
bool makePipe(int fds[2], std::string& error) {
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  fcntl(fds[1], F_SETFL, O_NONBLOCK);
  return true;
}

// ffmpeg's path on PATH, or "" when there is none.
std::string findFfmpeg() {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/ffmpeg";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// In the child, before ffmpeg starts: only async-signal-safe calls. Each
// descriptor goes where ffmpeg expects it, by way of a copy above them all so
// that none overwrites another's source.
[[noreturn]] void becomeFfmpeg(pid_t parent, const char* program, char* const* argv,
                               const int (&from)[5]) {
  // Killed with the tool, however it ends; a tool that died before this
  // line took effect is caught by the parent check.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  const int to[5] = {STDIN_FILENO, kSoundFd, STDOUT_FILENO, STDERR_FILENO, kOutputFd};
  int moved[5];
  for (int i = 0; i < 5; ++i) moved[i] = from[i] < 0 ? -1 : fcntl(from[i], F_DUPFD_CLOEXEC, 10);
  for (int i = 0; i < 5; ++i) {
    if (moved[i] >= 0) dup2(moved[i], to[i]);
  }
  execve(program, argv, environ);
  _exit(127);
}

// Starts ffmpeg with its frames on standard input and its sound on kSoundFd.
bool spawnFfmpeg(const std::vector<std::string>& arguments, std::string& error) {
  const std::string program = findFfmpeg();
  if (program.empty()) {
    error = "ffmpeg not found (install Debian's ffmpeg package)";
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int frames[2] = {-1, -1}, sound[2] = {-1, -1};
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  bool ok = null >= 0 && makePipe(frames, error) &&
            (!encoder.settings.withSound || makePipe(sound, error));
  const pid_t parent = getpid();
  if (ok) {
    encoder.child = fork();
    if (encoder.child == 0)
      becomeFfmpeg(parent, program.c_str(), argv.data(),
                   {frames[0], sound[0], null, encoder.log, encoder.output});
    ok = encoder.child > 0;
    if (!ok) error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
  }
  for (const int fd : {frames[0], sound[0], null}) {
    if (fd >= 0) close(fd);
  }
  encoder.framePipe = frames[1];
  encoder.soundPipe = sound[1];
  if (ok) fcntl(encoder.framePipe, F_SETPIPE_SZ, kPipeBytes);
  return ok;
}

// ffmpeg's last message, or "" when it said nothing.
std::string ffmpegMessage() {
  std::string text(4096, '\0');
  const off_t size = lseek(encoder.log, 0, SEEK_END);
  const off_t from = size > off_t(text.size()) ? size - off_t(text.size()) : 0;
  const ssize_t got = pread(encoder.log, text.data(), text.size(), from);
  text.resize(got > 0 ? size_t(got) : 0);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

void closePipes() {
  for (int* fd : {&encoder.framePipe, &encoder.soundPipe}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

// Waits for ffmpeg to end. A stop signal interrupts the wait: false, "interrupted".
bool waitFfmpeg(int& status, std::string& error) {
  while (waitpid(encoder.child, &status, 0) < 0) {
    if (errno == EINTR && stopSignalled()) {
      error = "interrupted";
      return false;
    }
  }
  encoder.child = -1;
  return true;
}

// How ffmpeg ended, in words, for when it gave no message.
std::string describeEnd(int status) {
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ)
    return "the file size limit was reached (File too large)";
  if (WIFSIGNALED(status))
    return "killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
           strsignal(WTERMSIG(status)) + ")";
  return "exit status " + std::to_string(WEXITSTATUS(status));
}

// Why ffmpeg failed, once it has ended. ffmpeg exits 0 even when it could
// not write the end of the file, so any message at its error level counts.
bool ffmpegSucceeded(std::string& error) {
  int status = 0;
  if (!waitFfmpeg(status, error)) return false;
  const std::string message = ffmpegMessage();
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && message.empty()) return true;
  error = "ffmpeg failed: " + (message.empty() ? describeEnd(status) : message);
  return false;
}

// Says once, after a while with nothing taken, what the tool is waiting for:
// an ffmpeg that stopped reading would otherwise leave it silent.
void noteStall(std::chrono::steady_clock::time_point since, bool& noted) {
  if (noted || std::chrono::steady_clock::now() - since < kStallNotice) return;
  noted = true;
  progressEnd();
  std::fprintf(stderr,
               "demo-capture: waiting for ffmpeg to take frames (it has taken nothing for %lld s; "
               "Ctrl-C stops)\n",
               static_cast<long long>(kStallNotice.count()));
}

// Writes the whole buffer to a pipe of ffmpeg's. The pipe does not block:
// between tries the tool waits a moment and looks for a stop signal and for
// a message from ffmpeg. Once ffmpeg has failed (a full disk, say) it stops
// reading, but may not exit while its other input still waits for data; so
// on failure both pipes close before its reason is read.
bool writeAll(int fd, const void* data, size_t size, std::string& error) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  auto lastTaken = std::chrono::steady_clock::now();
  bool noted = false;
  while (size > 0 && !stopSignalled()) {
    const ssize_t written = write(fd, bytes, size);
    if (written > 0) {
      bytes += written;
      size -= size_t(written);
      lastTaken = std::chrono::steady_clock::now();
      continue;
    }
    const bool full = written < 0 && (errno == EAGAIN || errno == EINTR);
    if (!full || !ffmpegMessage().empty()) {
      closePipes();
      error = "ffmpeg stopped taking frames";
      ffmpegSucceeded(error);
      return false;
    }
    noteStall(lastTaken, noted);
    pollfd ready{fd, POLLOUT, 0};
    poll(&ready, 1, kPipeWaitMs);
  }
  if (size == 0) return true;
  error = "interrupted";
  return false;
}

}  // namespace

bool videoOpen(const VideoSettings& settings, std::string& error) {
  std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg must show up as a failed write
  encoder = Encoder{};
  encoder.settings = settings;
  encoder.target = followLinks(settings.path);
  if (!openOutput(error)) return false;
  encoder.log = memfd_create("ffmpeg-log", MFD_CLOEXEC);
  if (encoder.log < 0) {
    error = std::string("cannot keep ffmpeg's messages: ") + std::strerror(errno);
  } else if (spawnFfmpeg(ffmpegArguments(settings), error)) {
    return true;
  }
  videoAbort();
  return false;
}

bool videoWriteFrame(const uint8_t* frame, const int16_t* sound, std::string& error) {
  static const int16_t kSilence[kVideoSoundSamplesPerFrame] = {};
  if (encoder.framePipe < 0) {
    error = "ffmpeg stopped taking frames";
    return false;
  }
  if (!writeAll(encoder.framePipe, frame, size_t(kCanvasBytes), error)) return false;
  return encoder.soundPipe < 0 || writeAll(encoder.soundPipe, sound != nullptr ? sound : kSilence,
                                           kVideoSoundSamplesPerFrame * sizeof(int16_t), error);
}

bool videoFinish(std::string& error) {
  closePipes();
  const bool ok = ffmpegSucceeded(error) && outputLooksRight(error) && publishOutput(error);
  videoAbort();
  return ok;
}

void videoAbort() {
  closePipes();
  if (encoder.child > 0) {
    kill(encoder.child, SIGKILL);  // a stopped ffmpeg would not act on SIGTERM
    while (waitpid(encoder.child, nullptr, 0) < 0 && errno == EINTR) {
    }
    encoder.child = -1;
  }
  if (!encoder.part.empty()) unlink(encoder.part.c_str());
  encoder.part.clear();
  for (int* fd : {&encoder.output, &encoder.log}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}
