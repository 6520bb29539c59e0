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
// script's inputs before their pass, the loop's end rule), records every
// argument and holds each pass's state to the reference trace, so the run is
// the one recorded there.
void playRecordedRun(const RecordedRun& run, std::vector<double>& arguments) {
  std::ifstream trace(std::string(REFERENCE_DIR "/") + run.name + ".state");
  ASSERT_TRUE(trace) << run.name;
  KeyScript script;
  ASSERT_TRUE(run.keys[0] == '\0' ||
              readKeyScriptOption("--keys", run.keys, script) == ScriptOption::Read);
  resetDemoState();
  std::memset(canvas, 0, sizeof canvas);
  Screen* screen = openScreen();
  for (long pass = 1;; ++pass) {
    queueKeysOfPass(script, pass);
    recording = &arguments;
    const FramePass played = runFramePass(screen);
    recording = nullptr;
    const bool rendered = played.rendered, quit = played.quit;

    long n, result, scene, frame, fading, tick;
    double swing;
    ASSERT_TRUE(trace >> n >> result >> scene >> frame >> fading >> swing >> tick)
        << run.name << ": the run goes on past the trace, at pass " << pass;
    ASSERT_TRUE(n == pass && result == rendered && scene == demoState.sceneIndex &&
                frame == demoState.sceneFrame && fading == demoState.fading &&
                swing == demoState.swing && tick == demoState.tick)
        << run.name << ": state differs from the trace at pass " << pass;
    if (!rendered || quit) break;
  }
  long more;
  EXPECT_FALSE(trace >> more) << run.name << ": the run ended before the trace";
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
