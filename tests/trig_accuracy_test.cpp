// trig_accuracy_test.cpp - sineCosine against MPFR's correctly rounded sine
// and cosine: every argument the three recorded runs give it, millions of
// random ones over its accurate range, and what it returns beyond that range.
//
// The link wraps sineCosine (-Wl,--wrap, tests/effects.cmake), so each call
// the drawing code makes passes through the recorder below: the recorded
// set is complete by construction, whatever effect or step makes the call.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "effects/canvas.h"
#include "effects/trig.h"
#include "host/frame_loop.h"
#include "host/key_script.h"
#include "platform/null/null_screen.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"

namespace {
std::vector<double>* recording = nullptr;
}

extern "C" SineCosine __real__Z10sineCosined(double x);
extern "C" SineCosine __wrap__Z10sineCosined(double x) {
  if (recording != nullptr) recording->push_back(x);
  return __real__Z10sineCosined(x);
}

namespace {

// Doubles in order as integers: the difference of two is their distance in ulps.
int64_t ordinal(double x) {
  int64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits < 0 ? -(bits & std::numeric_limits<int64_t>::max()) : bits;
}

struct Worst {
  int64_t ulps = 0;
  double argument = 0;
  long checked = 0;
  long offByOne = 0;  // sines and cosines one ulp from the correctly rounded value
};

// The larger of the sine's and the cosine's distance from MPFR's correctly
// rounded values, over all `arguments`.
Worst worstError(const std::vector<double>& arguments) {
  mpfr_t x, s, c;
  mpfr_inits2(53, x, s, c, static_cast<mpfr_ptr>(nullptr));
  Worst worst;
  for (const double a : arguments) {
    mpfr_set_d(x, a, MPFR_RNDN);
    mpfr_sin_cos(s, c, x, MPFR_RNDN);
    const SineCosine ours = __real__Z10sineCosined(a);
    const int64_t sineUlps = std::abs(ordinal(ours.sine) - ordinal(mpfr_get_d(s, MPFR_RNDN)));
    const int64_t cosineUlps = std::abs(ordinal(ours.cosine) - ordinal(mpfr_get_d(c, MPFR_RNDN)));
    const int64_t ulps = std::max(sineUlps, cosineUlps);
    if (ulps > worst.ulps) worst = {ulps, a, worst.checked, worst.offByOne};
    ++worst.checked;
    worst.offByOne += (sineUlps == 1) + (cosineUlps == 1);
  }
  mpfr_clears(x, s, c, static_cast<mpfr_ptr>(nullptr));
  return worst;
}

struct RecordedRun {
  const char* name;  // of its state trace in tests/data/reference
  const char* keys;  // as the capture tool's --keys takes them
};

// Plays a run as the capture tool does, on the null platform (the key
// script's inputs before their pass, the loop's end rule), and records every
// argument. The states and canvases of these runs are pinned pass for pass by
// the reference-trace test; this one holds the run to its trace's length.
void playRecordedRun(const RecordedRun& run, std::vector<double>& arguments) {
  std::ifstream trace(std::string(REFERENCE_DIR "/") + run.name + ".state");
  const long recordedPasses = std::count(std::istreambuf_iterator<char>(trace), {}, '\n');
  KeyScript script;
  ASSERT_TRUE(run.keys[0] == '\0' ||
              readKeyScriptOption("--keys", run.keys, script) == ScriptOption::Read);
  resetDemoState();
  std::memset(canvas, 0, sizeof canvas);
  Screen* screen = openScreen();
  long pass = 0;
  for (bool goesOn = true; goesOn;) {
    queueKeysOfPass(script, ++pass);
    recording = &arguments;
    goesOn = loopGoesOn(runFramePass(screen));
    recording = nullptr;
  }
  ASSERT_EQ(pass, recordedPasses) << run.name;
}

TEST(SineCosine, WithinAnUlpForEveryArgumentOfTheRecordedRuns) {
  const RecordedRun runs[] = {
      {"nokeys", ""},
      {"keys-700-space", "700:space"},
      {"keys-2500-space_2500-space_4000-escape", "2500:space,2500:space,4000:escape"},
  };
  std::vector<double> arguments;
  for (const RecordedRun& run : runs) {
    playRecordedRun(run, arguments);
    if (HasFatalFailure()) return;
  }
  const size_t calls = arguments.size();
  ASSERT_GT(calls, 0u) << "no call recorded: the link did not wrap sineCosine";
  std::sort(arguments.begin(), arguments.end());
  arguments.erase(std::unique(arguments.begin(), arguments.end()), arguments.end());
  const Worst worst = worstError(arguments);
  std::printf("%zu calls, %ld distinct arguments from %g to %g, %ld results one ulp off\n", calls,
              worst.checked, arguments.front(), arguments.back(), worst.offByOne);
  EXPECT_LE(worst.ulps, 1) << "at " << std::hexfloat << worst.argument;
}

// Three kinds, 700,000 each, from a fixed seed: tick angles of any 32-bit
// tick, as long runs and wrapped counters make them; the scale of the halo's,
// the spiral's and swing's angles; and magnitudes spread evenly in exponent
// from 2^-30 to the end of the accurate range, 2^26.
TEST(SineCosine, WithinAnUlpForRandomArgumentsOfTheAccurateRange) {
  constexpr int kEach = 700'000;
  std::mt19937_64 random(20261207);
  std::uniform_int_distribution<int32_t> anyTick(std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max());
  std::uniform_real_distribution<double> nearby(-1024.0, 1024.0);
  std::uniform_real_distribution<double> exponent(-30.0, 26.0);
  std::vector<double> arguments;
  arguments.reserve(3 * kEach);
  for (int i = 0; i < kEach; ++i) {
    arguments.push_back(anyTick(random) * kTickAngle);
    arguments.push_back(nearby(random));
    const double magnitude = std::exp2(exponent(random));
    arguments.push_back(random() & 1 ? magnitude : -magnitude);
  }
  const Worst worst = worstError(arguments);
  std::printf("%ld arguments, %ld results one ulp off\n", worst.checked, worst.offByOne);
  EXPECT_LE(worst.ulps, 1) << "at " << std::hexfloat << worst.argument;
}

TEST(SineCosine, BoundedBeyondTheRangeAndNaNForNonFiniteArguments) {
  constexpr double kMax = std::numeric_limits<double>::max();
  for (const double x : {0x1p26 + 0.5, -3.0e9, 1.0e300, -kMax, kMax}) {
    const SineCosine r = sineCosine(x);
    const SineCosine mirrored = sineCosine(-x);
    EXPECT_LE(std::fabs(r.sine), 1.0) << x;
    EXPECT_LE(std::fabs(r.cosine), 1.0) << x;
    EXPECT_NEAR(r.sine * r.sine + r.cosine * r.cosine, 1.0, 1e-15) << x;
    EXPECT_TRUE(mirrored.sine == -r.sine && mirrored.cosine == r.cosine) << x;
  }
  const double kInf = std::numeric_limits<double>::infinity();
  for (const double x : {kInf, -kInf, std::numeric_limits<double>::quiet_NaN()}) {
    const SineCosine r = sineCosine(x);
    EXPECT_TRUE(std::isnan(r.sine) && std::isnan(r.cosine)) << x;
  }
}

}  // namespace
