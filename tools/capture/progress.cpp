// progress.cpp - the capture tool's progress bar.
#include "tools/capture/progress.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

bool progressShown = false;
bool progressDrawn = false;
Clock::time_point progressBegin;
Clock::time_point progressLastDraw;

}  // namespace

void progressStart() {
  progressShown = isatty(STDERR_FILENO) != 0;
  progressDrawn = false;
  progressBegin = progressLastDraw = Clock::now();
}

void progressUpdate(long done, long total) {
  if (!progressShown) return;
  const Clock::time_point now = Clock::now();
  if (now - progressLastDraw < kRedrawInterval) return;
  progressLastDraw = now;
  total = std::max(total, done);
  const double seconds = std::chrono::duration<double>(now - progressBegin).count();
  const double fps = seconds > 0 ? done / seconds : 0.0;
  const double left = fps > 0 ? (total - done) / fps : 0.0;
  const int filled = total > 0 ? static_cast<int>(kBarWidth * done / total) : 0;
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  std::fprintf(stderr, "\r[%s] %ld/%ld frames  %.0f fps  %d:%02d left ", bar, done, total, fps,
               static_cast<int>(left) / 60, static_cast<int>(left) % 60);
  progressDrawn = true;
}

void progressEnd() {
  if (progressDrawn) std::fputc('\n', stderr);
  progressDrawn = false;
}
