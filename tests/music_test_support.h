// music_test_support.h - what the music tests share: scratch directories,
// test tones, starting child processes, and reading and measuring the raw
// 16-bit stereo 44.1 kHz files that SDL's disk audio driver writes.
//
// Header-only; each music test includes it once.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace musictest {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A fresh directory under the system's temporary one, removed at the end.
struct ScratchDir {
  std::filesystem::path path;
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "musictest-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A sine tone of `hz` at `amplitude` (0..1) written by libsndfile in
// `format` (e.g. SF_FORMAT_WAV | SF_FORMAT_PCM_16), stereo at `rate`.
inline void writeTone(const std::string& path, int format, double hz, double seconds,
                      double amplitude, int rate = kRate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return;
  int64_t frames = static_cast<int64_t>(seconds * rate);
  std::vector<float> samples(2 * frames);
  for (int64_t i = 0; i < frames; ++i) {
    samples[2 * i] = samples[2 * i + 1] =
        static_cast<float>(amplitude * std::sin(2 * kPi * hz * static_cast<double>(i) / rate));
  }
  for (int64_t at = 0; at < frames; at += 4096) {
    sf_writef_float(file, samples.data() + 2 * at, std::min<int64_t>(4096, frames - at));
  }
  sf_close(file);
}

// The left channel of a raw disk-audio recording.
inline std::vector<int16_t> readLeft(const std::string& path) {
  std::string bytes = readFile(path);
  std::vector<int16_t> left(bytes.size() / 4);
  for (size_t i = 0; i < left.size(); ++i) memcpy(&left[i], bytes.data() + 4 * i, 2);
  return left;
}

inline int64_t fileFrames(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_size / 4 : 0;
}

// Waits until the recording at `path` holds `frames` more frames than now,
// or `limit` has passed; true when it got there.
inline bool waitForMoreOutput(const std::string& path, int64_t frames,
                              std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  int64_t target = fileFrames(path) + frames;
  auto end = std::chrono::steady_clock::now() + limit;
  while (fileFrames(path) < target) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline size_t firstNonZero(const std::vector<int16_t>& s, size_t from = 0) {
  while (from < s.size() && s[from] == 0) ++from;
  return from;
}

inline double rms(const std::vector<int16_t>& s, size_t from, size_t count) {
  double sum = 0;
  for (size_t i = from; i < from + count && i < s.size(); ++i) sum += double(s[i]) * s[i];
  return count ? std::sqrt(sum / count) : 0;
}

inline int peak(const std::vector<int16_t>& s, size_t from, size_t count) {
  int p = 0;
  for (size_t i = from; i < from + count && i < s.size(); ++i) p = std::max(p, std::abs(int(s[i])));
  return p;
}

inline int zeroCrossings(const std::vector<int16_t>& s, size_t from, size_t count) {
  int n = 0;
  for (size_t i = from + 1; i < from + count && i < s.size(); ++i) n += (s[i - 1] < 0) != (s[i] < 0);
  return n;
}

// Positions (in frames, with linear interpolation) where the signal rises
// through zero, in [from, to).
inline std::vector<double> risingCrossings(const std::vector<int16_t>& s, size_t from, size_t to) {
  std::vector<double> at;
  for (size_t i = std::max<size_t>(from, 1); i < to && i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) at.push_back(double(i - 1) + double(-s[i - 1]) / (s[i] - s[i - 1]));
  }
  return at;
}

// ---- child processes ------------------------------------------------------

struct RunResult {
  bool exited = false;  // false: killed by a signal or by the time limit
  int status = -1;      // exit status when `exited`
};

// Starts `argv[0]` in `cwd` with `env` added to this process's environment
// and its stderr sent to `stderrPath`. Returns its pid, or -1.
inline pid_t startProcess(const std::vector<std::string>& argv, const std::string& cwd,
                          const std::vector<std::string>& env, const std::string& stderrPath) {
  std::vector<std::string> environment(env);
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);  // first wins in getenv
  std::vector<char*> envp, args;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy(argv);
  for (auto& a : argvCopy) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for `pid` up to `limit`; kills it when the time is up.
inline RunResult waitProcess(pid_t pid, std::chrono::milliseconds limit) {
  RunResult result;
  auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.exited = WIFEXITED(status);
  result.status = result.exited ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace musictest
