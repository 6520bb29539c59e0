// sinc_resampler_test.cpp - the Windows music library's resampler, natively:
// a tone comes out at the pitch the ratio asks for and clean, however the
// input and output are cut into blocks, and what the lower rate of a
// downsampling cannot carry is removed rather than mirrored.
#include "audio/sinc_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);

// A stereo sine of `cycles` per frame, `frames` long, right = left.
std::vector<float> tone(double cycles, long frames) {
  std::vector<float> samples(2 * frames);
  for (long i = 0; i < frames; ++i)
    samples[2 * i] = samples[2 * i + 1] = static_cast<float>(0.5 * std::sin(2 * kPi * cycles * i));
  return samples;
}

// Everything `in` resamples to at `ratio`, asked for in output blocks of
// `outBlock` frames with input offered `inBlock` frames at a time, as the
// mixer does, then without input until the resampler has nothing more (it
// holds back the last input its filter reaches past).
std::vector<float> resampleAll(const std::vector<float>& in, double ratio, long inBlock,
                               long outBlock) {
  SincResampler* resampler = sincNew();
  std::vector<float> out, block(2 * outBlock);
  const long frames = static_cast<long>(in.size() / 2);
  for (long at = 0;;) {
    long used = 0, generated = 0;
    sincProcess(resampler, in.data() + 2 * at, std::min(inBlock, frames - at), block.data(),
                outBlock, ratio, used, generated);
    at += used;
    out.insert(out.end(), block.begin(), block.begin() + 2 * generated);
    if (used == 0 && generated == 0) break;
  }
  sincDelete(resampler);
  return out;
}

// Power of `out`'s difference from `expected(t)` (t in input frames) over
// the middle half, relative to the tone's, in dB; both channels.
template <typename Expected>
double errorDb(const std::vector<float>& out, double ratio, Expected expected) {
  const long frames = static_cast<long>(out.size() / 2);
  double error = 0, signal = 0;
  for (long j = frames / 4; j < 3 * frames / 4; ++j) {
    const double wanted = expected(j / ratio);
    for (int side = 0; side < 2; ++side) {
      error += (out[2 * j + side] - wanted) * (out[2 * j + side] - wanted);
      signal += 0.125;  // a 0.5 sine's mean square
    }
  }
  return 10 * std::log10(error / signal);
}

TEST(SincResampler, ToneKeepsItsPlaceInTimeAndStaysCleanAtEveryRatioTheLibraryUses) {
  const double cycles = 0.01;  // 441 Hz at 44.1 kHz
  const std::vector<float> in = tone(cycles, 60000);
  // The file's own rate, a 48 kHz file, the end of the slow-down (1000 Hz),
  // a speed-up to twice the rate.
  for (double ratio : {1.0, 44100.0 / 48000.0, 44.1, 0.5}) {
    for (long inBlock : {1000L, 7L}) {
      const std::vector<float> out = resampleAll(in, ratio, inBlock, 64);
      // All but the filter's reach past the end: 18 input frames, 35 at 0.5.
      EXPECT_NEAR(static_cast<double>(out.size() / 2), 60000 * ratio, 40 * ratio + 1) << ratio;
      EXPECT_LT(errorDb(out, ratio, [&](double t) { return 0.5 * std::sin(2 * kPi * cycles * t); }),
                -90)
          << "ratio " << ratio << ", input blocks of " << inBlock;
    }
  }
}

TEST(SincResampler, DownsamplingRemovesWhatTheLowerRateCannotCarry) {
  // 0.3 cycles per input frame is 0.6 per output frame at ratio 0.5: above
  // the output's Nyquist, it would come back mirrored at 0.4.
  const std::vector<float> out = resampleAll(tone(0.3, 60000), 0.5, 1000, 64);
  EXPECT_LT(errorDb(out, 0.5, [](double) { return 0.0; }), -80);
}

}  // namespace
