// render_frame.h - the scene script: one call draws and presents one frame.
#pragma once

#include <cstdint>

struct Screen;  // the platform's (platform/platform.h)

// Called once per pass of the frame loop with the platform's screen.
// Runs a transition step or the current scene's frame, counts the frame
// against the scene's length, presents the canvas and returns true; once the
// script is over (sceneIndex 5 or more) returns false and presents nothing.
// A null `screen` computes the pass without presenting it: a loop that has
// fallen behind the music draws the passes it cannot show this way, so the
// canvas and the script's state are exactly those of a presented pass.
bool renderFrame(Screen* screen);

// The scene count; a sceneIndex at or past it means the script is over.
constexpr int kSceneCount = 5;

// The script's timing. A scene started by the timer gets the frame limit
// sceneLengthOf(its index) and draws that many frames plus 2 (the count is
// compared before it is incremented, and strictly); a transition takes
// kTransitionFadeStep off every canvas byte per frame until it finds the
// canvas black.
constexpr int32_t kSceneLength = 1000;
constexpr int32_t kSpiralSceneLength = 2000;  // scene 1, the spiral, runs twice as long
constexpr int32_t kTransitionFadeStep = 3;
constexpr int32_t sceneLengthOf(int32_t scene) {
  return scene == 1 ? kSpiralSceneLength : kSceneLength;
}

// The passes a transition takes over a canvas whose brightest byte is
// `brightest` (0..255): those that darken it, and the one that finds it black.
constexpr int32_t transitionPassesOver(int32_t brightest) {
  return (brightest + kTransitionFadeStep - 1) / kTransitionFadeStep + 1;
}

// Every scene shows white text up to its last frame, so its transition is
// the longest there is: 86 passes.
constexpr int32_t kWhiteTransitionPasses = transitionPassesOver(255);

// The 1-based loop pass on which `scene` (0..kSceneCount) draws its first
// frame in a run without keys; for kSceneCount, the pass that finds the
// script over. The soundtrack's sections start on these passes.
constexpr long sceneStartPass(int32_t scene) {
  long pass = 1;
  for (int32_t earlier = 0; earlier < scene; ++earlier)
    pass += sceneLengthOf(earlier) + 2 + kWhiteTransitionPasses;
  return pass;
}
static_assert(sceneStartPass(1) == 1089 && sceneStartPass(kSceneCount) == 6441);
