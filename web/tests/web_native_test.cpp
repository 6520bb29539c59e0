// web_native_test.cpp - the web page's platform rules that need no browser:
// the animation-frame pacing on displays of every common rate and after
// stalls, and the canvas checksum the page's test mode compares with the
// capture tool's.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "web/web_crc32.h"
#include "web/web_pacing.h"

namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSecond = 1'000 * kMs;

// A display refreshing at `hz`, its callback times jittering by up to
// `jitterNs` either way, as the browser reports them.
struct Display {
  double hz;
  int64_t jitterNs;
  uint32_t seed = 1;
};

// Runs the pacer over the display's refreshes in [from, to) and returns the
// times at which it drew frames (a refresh that draws two appears twice).
std::vector<int64_t> framesDrawn(AnimationPacer& pacer, const Display& display, int64_t from,
                                 int64_t to) {
  std::mt19937 random(display.seed);
  std::uniform_int_distribution<int64_t> jitter(-display.jitterNs, display.jitterNs);
  const double period = kSecond / display.hz;
  std::vector<int64_t> drawn;
  for (int64_t k = 0;; ++k) {
    const int64_t now = from + static_cast<int64_t>(k * period) + jitter(random);
    if (now >= to) break;
    drawn.insert(drawn.end(), pacerFramesDue(pacer, now), now);
  }
  return drawn;
}

// How many frames the drawing ran ahead of a 60 Hz clock started at its
// first frame, at worst: 0 when every frame waited for its time (give or
// take the early tolerance).
int64_t framesAhead(const std::vector<int64_t>& times) {
  int64_t worst = 0;
  for (size_t i = 0; i < times.size(); ++i) {
    const int64_t due = (times[i] - times[0] + kEarlyFrameToleranceNs) * kFramesPerSecond / kSecond;
    worst = std::max(worst, static_cast<int64_t>(i) - due);
  }
  return worst;
}

TEST(WebPacing, SixtyFramesASecondOnEveryDisplay) {
  // Fast displays hold frames; slow ones (and 59.94 Hz, whose refreshes fall
  // a hair behind the schedule) draw two at some refreshes, so the picture
  // keeps the music's pace. It never runs ahead of 60 per second.
  for (double hz : {30.0, 50.0, 59.94, 60.0, 75.0, 90.0, 120.0, 144.0, 165.0, 240.0}) {
    AnimationPacer pacer{};
    const auto drawn = framesDrawn(pacer, {hz, 1'000'000}, 0, 10 * kSecond);
    EXPECT_NEAR(static_cast<double>(drawn.size()), 600.0, 1.0) << hz << " Hz";
    EXPECT_EQ(framesAhead(drawn), 0) << hz << " Hz";
  }
}

TEST(WebPacing, TheFirstRefreshDrawsAtOnce) {
  AnimationPacer pacer{};
  EXPECT_EQ(pacerFramesDue(pacer, 123 * kSecond), 1);
  EXPECT_EQ(pacerFramesDue(pacer, 123 * kSecond + 8 * kMs), 0);  // a 120 Hz refresh later
  EXPECT_EQ(pacerFramesDue(pacer, 123 * kSecond + 16 * kMs), 1);
}

TEST(WebPacing, AHiccupIsMadeUpButAStallIsNot) {
  struct Case {
    int64_t gap;       // no refreshes for this long, after 2 s of drawing
    double afterward;  // frames drawn in the second that follows
  };
  for (const Case& c : {Case{100 * kMs, 66.0}, Case{240 * kMs, 74.0}, Case{300 * kMs, 60.0},
                        Case{30 * kSecond, 60.0}}) {
    for (double hz : {60.0, 144.0}) {
      AnimationPacer pacer{};
      const auto before = framesDrawn(pacer, {hz, 500'000}, 0, 2 * kSecond);
      ASSERT_NEAR(static_cast<double>(before.size()), 120.0, 1.0);
      const int64_t back = 2 * kSecond + c.gap;
      const auto after = framesDrawn(pacer, {hz, 500'000, 2}, back, back + kSecond);
      EXPECT_NEAR(static_cast<double>(after.size()), c.afterward, 1.0)
          << hz << " Hz, gap " << c.gap / kMs << " ms";
      EXPECT_LE(std::count(after.begin(), after.end(), after.front()), kMaxCatchUpFrames);
    }
  }
}

TEST(WebChecksum, IsZlibsCrc32) {
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(crc32Of(check, sizeof check), 0xCBF43926u);
  EXPECT_EQ(crc32Of(check, 0), 0u);

  std::vector<uint8_t> frame(640 * 480 * 3);
  std::mt19937 random(7);
  for (uint8_t& byte : frame) byte = static_cast<uint8_t>(random());
  for (size_t length : {frame.size(), frame.size() - 5}) {  // whole slices, and a tail after them
    EXPECT_EQ(crc32Of(frame.data(), length), crc32(0L, frame.data(), length)) << length;
  }
}

}  // namespace
