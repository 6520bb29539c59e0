// bench_effects.cpp - how long each drawing routine, the presentation and one
// whole frame of each scene take.
//
// Runs on the SDL platform over SDL's dummy video driver (set here), so the
// presentation converts into the same 32-bit surface as on screen but shows
// nothing. Each
// benchmark keeps demoState in the range its scene really uses. The frame
// benchmarks include everything renderFrame does, presentation and flip too;
// bench_scene_steps measures the same frames without the presentation.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "bench/scene_setup.h"
#include "effects/canvas.h"
#include "effects/effects.h"
#include "platform/sdl/sdl_screen.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"
#include "scenes/script_texts.h"

namespace {

Screen* screen = nullptr;

// A canvas of noise, as after a few frames of an additive scene.
void fillCanvasWithNoise() {
  std::mt19937 noise(11);
  for (int i = 0; i < kCanvasBytes; ++i) canvas[i] = static_cast<uint8_t>(noise());
}

void BM_Rings(benchmark::State& state) {
  resetDemoState();
  for (auto _ : state) {
    drawRings();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Rings);

void BM_Picture(benchmark::State& state) {
  resetDemoState();
  demoState.swing = 40.0;
  for (auto _ : state) {
    drawPicture();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Picture);

void BM_Spiral(benchmark::State& state) {
  enterSceneForBenchmark(1);
  for (auto _ : state) {
    drawSpiral(255, 255, 255);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Spiral);

void BM_Halo(benchmark::State& state) {
  enterSceneForBenchmark(2);
  for (auto _ : state) {
    drawHalo(3, 2, 4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Halo);

void BM_OrbitBlocks(benchmark::State& state) {
  enterSceneForBenchmark(3);
  for (auto _ : state) {
    drawOrbitBlocks();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OrbitBlocks);

// Every byte lit, so the fade always has work; the canvas is refilled
// outside the timing before it could run dark.
void BM_FadeCanvas(benchmark::State& state) {
  std::memset(canvas, 200, sizeof canvas);
  int calls = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fadeCanvas(4));
    if (++calls == 40) {
      state.PauseTiming();
      std::memset(canvas, 200, sizeof canvas);
      calls = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_FadeCanvas);

// Scene 1's five lines, the longest set of text any scene draws.
void BM_DrawTextScene1(benchmark::State& state) {
  for (auto _ : state) {
    for (const ScriptLine* line = kScene1Text; line->text != nullptr; ++line)
      benchmark::DoNotOptimize(drawText(line->text, line->x, line->y, 640));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawTextScene1);

void BM_PresentCanvas(benchmark::State& state) {
  fillCanvasWithNoise();
  for (auto _ : state) presentCanvas(screen);
}
BENCHMARK(BM_PresentCanvas);

// The flip alone, to tell the conversion's share of the presentation from
// what SDL does with the finished surface.
void BM_SdlFlip(benchmark::State& state) {
  for (auto _ : state) SDL_Flip(screen->surface);
}
BENCHMARK(BM_SdlFlip);

// One whole frame of a scene: its fade, swing step, effects and texts, the
// frame count, and the presentation.
void BM_WholeFrame(benchmark::State& state) {
  fillCanvasWithNoise();
  enterSceneForBenchmark(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(renderFrame(screen));
}
BENCHMARK(BM_WholeFrame)->DenseRange(0, 4)->ArgName("scene");

}  // namespace

int main(int argc, char** argv) {
  screen = openDummySdlScreen();
  if (screen == nullptr) {
    std::fprintf(stderr, "bench_effects: cannot start SDL's dummy video: %s\n", SDL_GetError());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
