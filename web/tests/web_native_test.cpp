// web_native_test.cpp - the web page's animation-frame pacing, which needs no
// browser: 60 frames a second on displays of every common rate, never ahead of
// the music, hiccups made up and stalls not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "web/web_pacing.h"

namespace {

constexpr int64_t kMs = 1'000'000;

// Runs the pacer over the refreshes in [from, to) of a display at `hz`, whose
// callback times jitter by up to `jitterNs` either way. Returns the times at
// which it drew frames (a refresh that draws two appears twice).
std::vector<int64_t> framesDrawn(AnimationPacer& pacer, double hz, int64_t jitterNs, int64_t from,
                                 int64_t to, uint32_t seed = 1) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int64_t> jitter(-jitterNs, jitterNs);
  std::vector<int64_t> drawn;
  for (int64_t k = 0;; ++k) {
    const int64_t now = from + static_cast<int64_t>(k * kNsPerSecond / hz) + jitter(random);
    if (now >= to) return drawn;
    drawn.insert(drawn.end(), pacerFramesDue(pacer, now), now);
  }
}

// Fast displays hold frames and draw one at a time; slow ones (and 59.94 Hz,
// whose refreshes fall a hair behind the schedule) draw two at some refreshes.
// The first refresh draws at once.
TEST(WebPacing, SixtyFramesASecondOnEveryDisplayNeverEarlyAndSmoothWhenItCan) {
  for (double hz : {30.0, 50.0, 59.94, 60.0, 75.0, 90.0, 120.0, 144.0, 165.0, 240.0}) {
    AnimationPacer pacer{};
    const auto drawn = framesDrawn(pacer, hz, kMs, 0, 10 * kNsPerSecond);
    EXPECT_NEAR(static_cast<double>(drawn.size()), 600.0, 1.0) << hz << " Hz";
    EXPECT_LE(drawn.front(), kMs) << hz << " Hz";
    EXPECT_TRUE(hz < 60 || std::adjacent_find(drawn.begin(), drawn.end()) == drawn.end())
        << hz << " Hz: a refresh drew two frames";
    // Frame i waits for i / 60 s after the first, give or take the early tolerance.
    for (size_t i = 0; i < drawn.size(); ++i) {
      ASSERT_GE((drawn[i] - drawn[0] + kEarlyFrameToleranceNs) * kFramesPerSecond,
                static_cast<int64_t>(i) * kNsPerSecond)
          << hz << " Hz, frame " << i;
    }
  }
}

// After 2 s of drawing, no refreshes for `gap`; then the frames of the next second.
TEST(WebPacing, AHiccupIsMadeUpButAStallIsNot) {
  const struct {
    int64_t gap;
    double afterward;
  } cases[] = {{100 * kMs, 66}, {240 * kMs, 74}, {300 * kMs, 60}, {30'000 * kMs, 60}};
  for (const auto& c : cases) {
    for (double hz : {60.0, 144.0}) {
      AnimationPacer pacer{};
      ASSERT_NEAR(framesDrawn(pacer, hz, kMs / 2, 0, 2 * kNsPerSecond).size(), 120.0, 1.0);
      const int64_t back = 2 * kNsPerSecond + c.gap;
      const auto after = framesDrawn(pacer, hz, kMs / 2, back, back + kNsPerSecond, 2);
      EXPECT_NEAR(static_cast<double>(after.size()), c.afterward, 1.0)
          << hz << " Hz, gap " << c.gap / kMs << " ms";
      EXPECT_LE(std::count(after.begin(), after.end(), after.front()), kMaxCatchUpFrames);
    }
  }
}

}  // namespace
