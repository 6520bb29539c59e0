// bench_scene_steps.cpp - one frame of each scene without its presentation:
// the scene's fade, swing step, effects and texts, which is what the demo's
// own code costs per frame before the pixels go to SDL.
//
// This program runs on the null platform, whose presentation only counts, so
// renderFrame runs every drawing step exactly as in the demo and then hands
// the canvas to nothing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "bench/scene_setup.h"
#include "effects/canvas.h"
#include "platform/platform.h"
#include "scenes/render_frame.h"

namespace {

void BM_SceneSteps(benchmark::State& state) {
  std::mt19937 noise(11);
  for (int i = 0; i < kCanvasBytes; ++i) canvas[i] = static_cast<uint8_t>(noise());
  enterSceneForBenchmark(static_cast<int32_t>(state.range(0)));
  Screen* screen = openScreen();
  for (auto _ : state) {
    benchmark::DoNotOptimize(renderFrame(screen));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SceneSteps)->DenseRange(0, 4)->ArgName("scene");

}  // namespace

BENCHMARK_MAIN();
