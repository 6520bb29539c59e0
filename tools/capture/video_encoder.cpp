// video_encoder.cpp - ffmpeg as a child process on two pipes.
#include "tools/capture/video_encoder.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "effects/canvas.h"
#include "platform/posix/stop_signals.h"

extern char** environ;

namespace {

constexpr int kSoundFd = 3;          // the sound pipe, as ffmpeg sees it
constexpr int kPipeWaitMs = 50;      // between looks at a full pipe
constexpr int kPipeBytes = 1 << 20;  // a whole frame fits: drawing runs ahead of the encoder
constexpr int kHdHeight = 720;       // from this height players take the colours as BT.709

// Quality settings measured on the whole script (bench/capture_speed.sh): the
// lowest PSNR of any frame is scene 0's, whose rings leave a lossy coder
// little to gain over lossless. -tune psnr keeps x264 from trading that fine
// detail for what its psychovisual model prefers; its fastest preset is
// what lets the encoder keep pace. VP9 is far slower on such frames: its
// real-time mode is the one that encodes them at a usable speed.
const std::vector<std::string> kH264Faithful = {"-c:v",     "libx264", "-preset", "ultrafast",
                                                "-tune",    "psnr",    "-crf",    "14",
                                                "-pix_fmt", "yuv444p"};
const std::vector<std::string> kVp9Faithful = {
    "-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "6",        "-row-mt",
    "1",    "-crf",       "10",        "-b:v",     "0",         "-pix_fmt", "yuv444p"};
const std::vector<std::string> kH264Lossless = {"-c:v",      "libx264rgb", "-preset",
                                                "ultrafast", "-qp",        "0"};

struct Encoder {
  VideoSettings settings;
  std::string part;  // the file ffmpeg writes, renamed to the target at the end
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

// ".NAME.part-PID.EXT" beside the target.
std::string partName(const std::string& target) {
  const size_t slash = target.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, nameStart) + "." + target.substr(nameStart) + ".part-" +
         std::to_string(getpid()) + (isWebm(target) ? ".webm" : ".mp4");
}

// ffmpeg reads a name with a colon in it ("take2:final.mp4") as a protocol;
// this prefix makes any name a plain file.
std::string asFile(const std::string& path) { return "file:" + path; }

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Square pixels at the scale asked, and the YUV colours tagged with the
// matrix players assume for the picture's height anyway.
std::vector<std::string> pictureArguments(const VideoSettings& settings) {
  const int height = kCanvasHeight * settings.scale;
  std::string filter = "scale=" + std::to_string(kCanvasWidth * settings.scale) + ":" +
                       std::to_string(height) + ":flags=neighbor";
  if (settings.lossless) return {"-vf", filter};
  const std::string matrix = height >= kHdHeight ? "bt709" : "smpte170m";
  filter +=
      ":out_color_matrix=" + std::string(height >= kHdHeight ? "bt709" : "bt601") + ":out_range=tv";
  return {"-vf", filter, "-colorspace", matrix, "-color_primaries", "bt709", "-color_trc", "bt709"};
}

std::vector<std::string> ffmpegArguments(const VideoSettings& settings, const std::string& part) {
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
  const bool webm = isWebm(settings.path);
  append(arguments, settings.lossless ? kH264Lossless : webm ? kVp9Faithful : kH264Faithful);
  if (settings.withSound) append(arguments, {"-c:a", webm ? "libopus" : "aac", "-b:a", "192k"});
  if (!webm) append(arguments, {"-movflags", "+faststart"});  // playable while it downloads
  arguments.push_back(asFile(part));
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

// Starts ffmpeg with its frames on standard input and its sound on kSoundFd.
bool spawnFfmpeg(const std::vector<std::string>& arguments, std::string& error) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int frames[2] = {-1, -1}, sound[2] = {-1, -1};
  if (!makePipe(frames, error) || (encoder.settings.withSound && !makePipe(sound, error))) {
    for (const int fd : {frames[0], frames[1]}) close(fd);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, frames[0], STDIN_FILENO);
  if (sound[0] >= 0) posix_spawn_file_actions_adddup2(&actions, sound[0], kSoundFd);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, encoder.log, STDERR_FILENO);
  const int spawned =
      posix_spawnp(&encoder.child, "ffmpeg", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(frames[0]);
  if (sound[0] >= 0) close(sound[0]);
  encoder.framePipe = frames[1];
  encoder.soundPipe = sound[1];
  if (spawned == 0) {
    fcntl(encoder.framePipe, F_SETPIPE_SZ, kPipeBytes);
    return true;
  }
  encoder.child = -1;
  error = spawned == ENOENT ? "ffmpeg not found (install Debian's ffmpeg package)"
                            : std::string("cannot start ffmpeg: ") + std::strerror(spawned);
  return false;
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

// Why ffmpeg failed, once it has ended. ffmpeg exits 0 even when it could
// not write the end of the file, so any message at its error level counts.
bool ffmpegSucceeded(std::string& error) {
  int status = 0;
  if (!waitFfmpeg(status, error)) return false;
  const std::string message = ffmpegMessage();
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && message.empty()) return true;
  error = "ffmpeg failed: " + (message.empty() ? "status " + std::to_string(status) : message);
  return false;
}

// Writes the whole buffer to a pipe of ffmpeg's. The pipe does not block:
// between tries the tool waits a moment and looks for a stop signal and for
// a message from ffmpeg. Once ffmpeg has failed (a full disk, say) it stops
// reading, but may not exit while its other input still waits for data; so
// on failure both pipes close before its reason is read.
bool writeAll(int fd, const void* data, size_t size, std::string& error) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0 && !stopSignalled()) {
    const ssize_t written = write(fd, bytes, size);
    if (written > 0) {
      bytes += written;
      size -= size_t(written);
      continue;
    }
    const bool full = written < 0 && (errno == EAGAIN || errno == EINTR);
    if (!full || !ffmpegMessage().empty()) {
      closePipes();
      error = "ffmpeg stopped taking frames";
      ffmpegSucceeded(error);
      return false;
    }
    pollfd ready{fd, POLLOUT, 0};
    poll(&ready, 1, kPipeWaitMs);
  }
  if (size == 0) return true;
  error = "interrupted";
  return false;
}

bool canCreate(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + encoder.settings.path + ": " + std::strerror(errno);
    return false;
  }
  close(fd);
  return true;
}

}  // namespace

bool videoOpen(const VideoSettings& settings, std::string& error) {
  std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg must show up as a failed write
  encoder = Encoder{};
  encoder.settings = settings;
  encoder.part = partName(settings.path);
  if (!canCreate(encoder.part, error)) return false;
  encoder.log = memfd_create("ffmpeg-log", MFD_CLOEXEC);
  if (encoder.log < 0) {
    error = std::string("cannot keep ffmpeg's messages: ") + std::strerror(errno);
  } else if (spawnFfmpeg(ffmpegArguments(settings, encoder.part), error)) {
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
  bool ok = ffmpegSucceeded(error);
  if (ok && std::rename(encoder.part.c_str(), encoder.settings.path.c_str()) != 0) {
    error = "cannot write " + encoder.settings.path + ": " + std::strerror(errno);
    ok = false;
  }
  if (ok) encoder.part.clear();
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
  if (encoder.log >= 0) close(encoder.log);
  encoder.log = -1;
}
