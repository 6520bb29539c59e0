// descriptors.cpp - see descriptors.h.
#include "platform/posix/descriptors.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A display connection, an audio device and the music file with its decoder
// take a few descriptors each; below this many free, one of them fails.
constexpr long kDescriptorsNeeded = 8;

long openDescriptors() {
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return -1;  // opendir itself needs one: none is left
  long count = -1;                // the directory's own
  while (readdir(fds) != nullptr) ++count;
  closedir(fds);
  return count - 2;  // "." and ".."
}

}  // namespace

int holdStandardDescriptors() {
  int closed = 0;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    closed |= 1 << fd;
    const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
  return closed;
}

bool fewDescriptorsLeft() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return false;
  const long open = openDescriptors();
  return open < 0 || static_cast<long>(limit.rlim_cur) - open < kDescriptorsNeeded;
}
