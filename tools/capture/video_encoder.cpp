// video_encoder.cpp - ffmpeg as a child process on a pipe.
#include "tools/capture/video_encoder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kFramesPerSecond = 60;

struct Encoder {
  VideoSettings settings;
  std::string videoPart;             // video stream only, written while frames arrive
  std::string finalPart;             // video and sound, renamed to the target at the end
  std::string logPath;               // ffmpeg's own messages, for the one-line reason
  std::vector<std::string> scratch;  // other parts' temporary files
  pid_t child = -1;
  int pipe = -1;
  std::vector<uint8_t> scaled;
};

Encoder encoder;

bool endsWith(const std::string& text, const char* suffix) {
  const size_t length = std::strlen(suffix);
  return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

bool isWebm(const std::string& path) { return endsWith(path, ".webm"); }

std::string temporaryName(const std::string& target, const char* what, const char* extension) {
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return dir + "." + name + "." + what + "-" + std::to_string(getpid()) + extension;
}

std::string temporaryName(const std::string& target, const char* what) {
  return temporaryName(target, what, isWebm(target) ? ".webm" : ".mp4");
}

std::vector<std::string> videoCodecArguments(const VideoSettings& settings) {
  if (settings.lossless) return {"-c:v", "libx264rgb", "-qp", "0", "-preset", "ultrafast"};
  if (isWebm(settings.path)) {
    return {"-c:v", "libvpx-vp9", "-b:v", "0",         "-crf", "30",       "-row-mt",
            "1",    "-deadline",  "good", "-cpu-used", "4",    "-pix_fmt", "yuv420p"};
  }
  return {"-c:v", "libx264", "-crf", "18", "-preset", "medium", "-pix_fmt", "yuv420p"};
}

// Starts ffmpeg with `arguments`; its standard input is a pipe if `withPipe`.
bool spawnFfmpeg(const std::vector<std::string>& arguments, bool withPipe, std::string& error) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("ffmpeg"));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int fds[2] = {-1, -1};
  if (withPipe && ::pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (withPipe)
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, encoder.logPath.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  const int spawned =
      posix_spawnp(&encoder.child, "ffmpeg", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (withPipe) close(fds[0]);
  if (spawned != 0) {
    if (withPipe) close(fds[1]);
    encoder.child = -1;
    error = spawned == ENOENT ? "ffmpeg not found (install Debian's ffmpeg package)"
                              : std::string("cannot start ffmpeg: ") + std::strerror(spawned);
    return false;
  }
  encoder.pipe = withPipe ? fds[1] : -1;
  return true;
}

// The last line ffmpeg wrote, as the reason for a failure.
std::string ffmpegReason() {
  std::ifstream log(encoder.logPath);
  std::string line, last = "no message";
  while (std::getline(log, line)) {
    if (!line.empty()) last = line;
  }
  return last;
}

bool waitFfmpeg(std::string& error) {
  int status = 0;
  while (waitpid(encoder.child, &status, 0) < 0 && errno == EINTR) {
  }
  encoder.child = -1;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  error = "ffmpeg failed: " + ffmpegReason();
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

void scaleFrame(const uint8_t* canvas) {
  const int scale = encoder.settings.scale;
  const size_t rowBytes = size_t(kFrameWidth) * scale * 3;
  uint8_t* out = encoder.scaled.data();
  for (int y = 0; y < kFrameHeight; ++y) {
    uint8_t* row = out;
    for (int x = 0; x < kFrameWidth; ++x) {
      const uint8_t* pixel = canvas + (size_t(y) * kFrameWidth + x) * 3;
      for (int i = 0; i < scale; ++i, out += 3) std::memcpy(out, pixel, 3);
    }
    for (int copy = 1; copy < scale; ++copy, out += rowBytes) std::memcpy(out, row, rowBytes);
  }
}

bool writeAll(const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(encoder.pipe, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= size_t(written);
  }
  return true;
}

}  // namespace

bool videoFormatKnown(const std::string& path) { return endsWith(path, ".mp4") || isWebm(path); }

bool videoOpen(const VideoSettings& settings, std::string& error) {
  std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg must show up as a failed write
  encoder = Encoder{};
  encoder.settings = settings;
  encoder.videoPart = temporaryName(settings.path, "video");
  encoder.finalPart = temporaryName(settings.path, "part");
  encoder.logPath = temporaryName(settings.path, "log");
  if (!canCreate(encoder.videoPart, error)) return false;
  const std::string size = std::to_string(kFrameWidth * settings.scale) + "x" +
                           std::to_string(kFrameHeight * settings.scale);
  std::vector<std::string> arguments = {
      "-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
      "-pix_fmt",     "rgb24",     "-s",    size, "-r", std::to_string(kFramesPerSecond),
      "-i",           "-"};
  for (const std::string& argument : videoCodecArguments(settings)) arguments.push_back(argument);
  arguments.push_back(encoder.videoPart);
  encoder.scaled.resize(size_t(kFrameWidth) * kFrameHeight * 3 * settings.scale * settings.scale);
  if (!spawnFfmpeg(arguments, true, error)) {
    videoAbort();
    return false;
  }
  return true;
}

std::string videoScratchPath(const char* what, const char* extension) {
  encoder.scratch.push_back(temporaryName(encoder.settings.path, what, extension));
  return encoder.scratch.back();
}

bool videoWriteFrame(const uint8_t* canvas) {
  if (encoder.pipe < 0) return false;
  if (encoder.settings.scale == 1) return writeAll(canvas, size_t(kFrameWidth) * kFrameHeight * 3);
  scaleFrame(canvas);
  return writeAll(encoder.scaled.data(), encoder.scaled.size());
}

bool videoFinish(const std::string& audioWav, std::string& error) {
  close(encoder.pipe);
  encoder.pipe = -1;
  bool ok = waitFfmpeg(error);
  if (ok) {
    std::vector<std::string> arguments = {"-hide_banner", "-loglevel", "error",
                                          "-y",           "-i",        encoder.videoPart};
    if (!audioWav.empty()) {
      for (const char* argument : {"-i", audioWav.c_str(), "-map", "0:v", "-map", "1:a"})
        arguments.push_back(argument);
      const bool webm = isWebm(encoder.settings.path);
      for (const char* argument : {"-c:a", webm ? "libopus" : "aac", "-b:a", "192k"})
        arguments.push_back(argument);
    }
    for (const char* argument : {"-c:v", "copy", "-shortest"}) arguments.push_back(argument);
    if (!isWebm(encoder.settings.path))
      arguments.insert(arguments.end(), {"-movflags", "+faststart"});
    arguments.push_back(encoder.finalPart);
    ok = spawnFfmpeg(arguments, false, error) && waitFfmpeg(error);
  }
  if (ok && std::rename(encoder.finalPart.c_str(), encoder.settings.path.c_str()) != 0) {
    error = "cannot write " + encoder.settings.path + ": " + std::strerror(errno);
    ok = false;
  }
  videoAbort();
  return ok;
}

void videoAbort() {
  if (encoder.pipe >= 0) close(encoder.pipe);
  encoder.pipe = -1;
  if (encoder.child > 0) {
    kill(encoder.child, SIGTERM);
    while (waitpid(encoder.child, nullptr, 0) < 0 && errno == EINTR) {
    }
    encoder.child = -1;
  }
  for (const std::string* path : {&encoder.videoPart, &encoder.finalPart, &encoder.logPath}) {
    if (!path->empty()) unlink(path->c_str());
  }
  for (const std::string& path : encoder.scratch) unlink(path.c_str());
}
