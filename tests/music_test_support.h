// music_test_support.h - what the music tests share: scratch directories,
// child processes, and measuring 16-bit sound (left channel of the raw
// stereo 44.1 kHz files SDL's disk audio driver writes, or rendered frames).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace musictest {

constexpr int kRate = 44100;

// A fresh directory under the system's temporary one, removed at the end.
struct ScratchDir {
  std::filesystem::path path;
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "musictest-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The left channel of interleaved stereo bytes.
inline std::vector<int16_t> leftOf(const std::string& bytes) {
  std::vector<int16_t> left(bytes.size() / 4);
  for (size_t i = 0; i < left.size(); ++i) memcpy(&left[i], bytes.data() + 4 * i, 2);
  return left;
}

inline size_t firstNonZero(const std::vector<int16_t>& s, size_t from = 0) {
  while (from < s.size() && s[from] == 0) ++from;
  return from;
}

// Measures over [from, from + count), clipped to the signal.
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

// Starts `argv` in `cwd` with `env` ahead of this process's environment
// (getenv takes the first) and stderr to `stderrPath`; -1 when it cannot.
inline pid_t startProcess(std::vector<std::string> argv, const std::string& cwd,
                          std::vector<std::string> env, const std::string& stderrPath) {
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  auto pointers = [](std::vector<std::string>& v) {
    std::vector<char*> p;
    for (auto& s : v) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
  };
  std::vector<char*> args = pointers(argv), envp = pointers(env);
  pid_t pid = fork();
  if (pid == 0) {  // only async-signal-safe calls from here
    int err = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0 && dup2(err, 2) >= 0 && chdir(cwd.c_str()) == 0) execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The exit status of `pid`, or -1 when a signal ended it.
inline int waitProcess(pid_t pid) {
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace musictest
