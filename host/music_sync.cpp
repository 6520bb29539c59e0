// music_sync.cpp - see music_sync.h.
#include "host/music_sync.h"

#include <algorithm>

#include "effects/canvas.h"
#include "host/pacing.h"
#include "scenes/demo_state.h"
#include "scenes/render_frame.h"

namespace {

uint8_t brightestCanvasByte() { return *std::max_element(canvas, canvas + kCanvasBytes); }

}  // namespace

long musicMoveAfterPass(MusicSync& sync, long pass) {
  const int32_t next = demoState.sceneIndex;
  if (next == sync.syncedToScene || next < 0 || next >= kSceneCount) return 0;
  sync.syncedToScene = next;
  // The transition's passes still to come (none when it found the canvas
  // black in this very pass), then the scene's first frame.
  const long transition = demoState.fading ? transitionPassesOver(brightestCanvasByte()) : 0;
  const long firstFrame = pass + transition + 1;
  const long inStep = sceneStartPass(next) - sync.shiftPasses;
  const long move = inStep - firstFrame;
  sync.shiftPasses += move;
  return move;
}

double musicSecondsOfPass(const MusicSync& sync, long pass) {
  return static_cast<double>(pass - 1 + sync.shiftPasses) / kFramesPerSecond;
}
