// resample_bench.cpp - how fast libsamplerate's converters, and the Windows
// build's own sinc (sinc_resampler.h), run at the ratios the music library
// uses, in the shape its audio callback uses them
// (stereo, 64-frame blocks). The slow-down at the demo's end plays 1000 Hz
// at 44.1 kHz, a ratio of 44.1; the mixer must make one second of output in
// well under a second. Counter "realtime" is seconds of output made per
// second of work: it must stay far above 1 (the mixer shares the machine).
//
// Run: build/audio/resample_bench
#include <benchmark/benchmark.h>
#include <samplerate.h>

#include <cmath>
#include <vector>

#include "audio/sinc_resampler.h"

namespace {

constexpr int kOutputRate = 44100;
constexpr int kBlockFrames = 64;

constexpr long kInputFrames = 48000;  // a second of stereo input, played round
constexpr long kChunkFrames = 4096;   // the most input one call is offered

// Makes one second of output per iteration, in the callback's blocks, from
// a tone; `step(in, inFrames, out, outFrames, used, made)` is one call of
// the resampler under test, which reports the frames it used and made.
template <typename Step>
void outputSeconds(benchmark::State& state, Step step) {
  std::vector<float> input(2 * kInputFrames);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(std::sin(0.01 * i));
  float output[2 * kBlockFrames];
  long inputAt = 0;
  for (auto _ : state) {
    for (int made = 0; made < kOutputRate; made += kBlockFrames) {
      for (long produced = 0; produced < kBlockFrames;) {
        if (inputAt >= kInputFrames - kChunkFrames) inputAt = 0;
        long used = 0, generated = 0;
        step(input.data() + 2 * inputAt, kChunkFrames, output + 2 * produced,
             kBlockFrames - produced, used, generated);
        inputAt += used;
        produced += generated;
      }
      benchmark::DoNotOptimize(output[0]);
    }
  }
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// libsamplerate's converter range(0) at ratio range(1) / 10.
void resampleOneSecond(benchmark::State& state) {
  const double ratio = static_cast<double>(state.range(1)) / 10.0;
  int error = 0;
  SRC_STATE* resampler = src_new(static_cast<int>(state.range(0)), 2, &error);
  src_set_ratio(resampler, ratio);
  outputSeconds(state, [&](const float* in, long inFrames, float* out, long outFrames, long& used,
                           long& made) {
    SRC_DATA data{};
    data.data_in = in;
    data.input_frames = inFrames;
    data.data_out = out;
    data.output_frames = outFrames;
    data.src_ratio = ratio;
    src_process(resampler, &data);
    used = data.input_frames_used;
    made = data.output_frames_gen;
  });
  src_delete(resampler);
}

// Converter, ratio x 10: the file's own 44.1 kHz, a 48 kHz file, the end of
// the slow-down.
BENCHMARK(resampleOneSecond)
    ->ArgsProduct({{SRC_SINC_FASTEST, SRC_SINC_BEST_QUALITY, SRC_LINEAR}, {10, 9, 441}})
    ->Unit(benchmark::kMillisecond);

// The same for the Windows build's resampler: ratio x 10.
void sincOneSecond(benchmark::State& state) {
  const double ratio = static_cast<double>(state.range(0)) / 10.0;
  SincResampler* resampler = sincNew();
  outputSeconds(state, [&](const float* in, long inFrames, float* out, long outFrames, long& used,
                           long& made) {
    sincProcess(resampler, in, inFrames, out, outFrames, ratio, used, made);
  });
  sincDelete(resampler);
}

BENCHMARK(sincOneSecond)->Arg(10)->Arg(9)->Arg(441)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
