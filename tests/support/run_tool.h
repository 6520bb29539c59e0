// run_tool.h - for the tests that run the built tools: a shell command's
// output and status, a whole file, the trace's way of writing a CRC, and a
// disk that fills up.
#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

// Runs `command` in a shell; its standard output, and its exit status (-1 when it did not exit).
inline std::string shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[65536];
  for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.append(buffer, got);
  const int raw = pipe ? pclose(pipe) : -1;
  if (status) *status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The fields of each line of a trace.
inline std::vector<std::vector<std::string>> traceFields(const std::string& trace) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    lines.push_back(
        {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()});
  }
  return lines;
}

// A canvas's CRC-32 as the trace writes it: eight hex digits.
inline std::string crcHex(const char* bytes, size_t size) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08lx",
                crc32(0L, reinterpret_cast<const Bytef*>(bytes), uInt(size)));
  return crc;
}

// Mounts a tmpfs of `size` bytes ("512k") on `dir`, in a mount namespace of
// the test process's own, so that it goes when the test does: a disk that is
// full after a few writes. Needs root (CI and the setup script run as root).
// Returns "" or why it could not.
inline std::string mountSmallDisk(const std::string& dir, const std::string& size) {
  const bool done = unshare(CLONE_NEWNS) == 0 &&
                    mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    mount("none", dir.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
  return done ? ""
              : "cannot mount a small tmpfs (the test needs root): " +
                    std::string(std::strerror(errno));
}
