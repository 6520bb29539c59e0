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

void resampleOneSecond(benchmark::State& state) {
  const int converter = static_cast<int>(state.range(0));
  const double ratio = static_cast<double>(state.range(1)) / 10.0;
  std::vector<float> input(2 * 48000);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(std::sin(0.01 * i));
  float output[2 * kBlockFrames];
  int error = 0;
  SRC_STATE* resampler = src_new(converter, 2, &error);
  src_set_ratio(resampler, ratio);
  long inputAt = 0;
  for (auto _ : state) {
    for (int made = 0; made < kOutputRate; made += kBlockFrames) {
      int produced = 0;
      while (produced < kBlockFrames) {
        if (inputAt >= 48000 - 4096) inputAt = 0;
        SRC_DATA data{};
        data.data_in = input.data() + 2 * inputAt;
        data.input_frames = 4096;
        data.data_out = output + 2 * produced;
        data.output_frames = kBlockFrames - produced;
        data.src_ratio = ratio;
        src_process(resampler, &data);
        inputAt += data.input_frames_used;
        produced += static_cast<int>(data.output_frames_gen);
      }
      benchmark::DoNotOptimize(output[0]);
    }
  }
  src_delete(resampler);
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Converter, ratio x 10: the file's own 44.1 kHz, a 48 kHz file, the end of
// the slow-down.
BENCHMARK(resampleOneSecond)
    ->ArgsProduct({{SRC_SINC_FASTEST, SRC_SINC_BEST_QUALITY, SRC_LINEAR}, {10, 9, 441}})
    ->Unit(benchmark::kMillisecond);

// The same for the Windows build's resampler: ratio x 10.
void sincOneSecond(benchmark::State& state) {
  const double ratio = static_cast<double>(state.range(0)) / 10.0;
  std::vector<float> input(2 * 48000);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(std::sin(0.01 * i));
  float output[2 * kBlockFrames];
  SincResampler* resampler = sincNew();
  long inputAt = 0;
  for (auto _ : state) {
    for (int made = 0; made < kOutputRate; made += kBlockFrames) {
      long produced = 0;
      while (produced < kBlockFrames) {
        if (inputAt >= 48000 - 4096) inputAt = 0;
        long used = 0, generated = 0;
        sincProcess(resampler, input.data() + 2 * inputAt, 4096, output + 2 * produced,
                    kBlockFrames - produced, ratio, used, generated);
        inputAt += used;
        produced += generated;
      }
      benchmark::DoNotOptimize(output[0]);
    }
  }
  sincDelete(resampler);
  state.counters["realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(sincOneSecond)->Arg(10)->Arg(9)->Arg(441)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
