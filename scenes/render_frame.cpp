// render_frame.cpp - the demo's script: five scenes, their timing, and the
// fades to black between them.
//
// A scene frame runs the scene's steps in a fixed order (each effect reads and
// advances demoState as it goes), then the scene timer. A transition frame
// only fades. Skips (Space) come in from the host by setting `fading` and
// moving `sceneIndex` on; they reset nothing else, so the next scene counts on
// from the frame count already reached.
#include "scenes/render_frame.h"

#include <cmath>

#include "effects/effects.h"
#include "effects/trig.h"
#include "platform/platform.h"
#include "scenes/demo_state.h"
#include "scenes/script_texts.h"

namespace {

constexpr double kSpiralSceneSwing = 10.0;  // swing when scene 1 starts by its timer
constexpr int32_t kTextLimit = 640;         // every line may use the canvas's width
constexpr double kSpiralCentreX = 320.0;    // the middle of the spiral's small orbit
constexpr double kSpiralCentreY = 240.0;
constexpr double kSpiralOrbit = 10.0;  // its radius in pixels

// How `swing` moves in a scene: by `step` per frame, turning once it has
// passed a bound (strictly, so it overshoots by up to one step).
struct SwingRange {
  double step;
  double lower;
  double upper;
};
constexpr SwingRange kWideSwing = {1.0, -70.0, 70.0};
constexpr SwingRange kSpiralSwing = {0.15, 200.0, 320.0};

void swingStep(const SwingRange& range) {
  if (demoState.swingRising) {
    demoState.swing += range.step;
    if (demoState.swing > range.upper) demoState.swingRising = false;
  } else {
    demoState.swing -= range.step;
    if (demoState.swing < range.lower) demoState.swingRising = true;
  }
}

// The spiral circles its own small orbit, with swing as the angle.
void moveSpiralCentre() {
  const SineCosine trig = sineCosine(demoState.swing);
  const double x = kSpiralCentreX + kSpiralOrbit * trig.sine;
  const double y = kSpiralCentreY + kSpiralOrbit * trig.cosine;
  // Any finite swing keeps the centre within 10 pixels of the middle; only a
  // corrupted (infinite or NaN) swing has no sine, and then the centre rests.
  const bool onOrbit = std::isfinite(x) && std::isfinite(y);
  demoState.spiralCentreX = static_cast<int32_t>(onOrbit ? x : kSpiralCentreX);
  demoState.spiralCentreY = static_cast<int32_t>(onOrbit ? y : kSpiralCentreY);
  demoState.tick = wrapAdd(demoState.tick, 1);
}

void drawLines(const ScriptLine* lines) {
  for (; lines->text != nullptr; ++lines) drawText(lines->text, lines->x, lines->y, kTextLimit);
}

// The script proper: each scene's steps in the order they draw.
void runSceneSteps(int32_t scene) {
  switch (scene) {
    case 0:
      swingStep(kWideSwing);
      drawRings();
      drawPicture();
      drawLines(kScene0Text);
      break;
    case 1:
      fadeCanvas(20);
      swingStep(kSpiralSwing);
      moveSpiralCentre();
      drawLines(kScene1Text);
      drawSpiral(255, 255, 255);
      break;
    case 2:
      fadeCanvas(4);
      swingStep(kWideSwing);
      drawHalo(3, 2, 4);
      drawLines(kScene2Text);
      break;
    case 3:
      swingStep(kWideSwing);
      drawLines(kScene3Text);
      drawOrbitBlocks();
      break;
    case 4:
      fadeCanvas(1);
      swingStep(kWideSwing);
      drawLines(kScene4Text);
      drawHalo(5, 0, 5);
      break;
    default:
      break;  // only a corrupted state gets here; it draws nothing
  }
}

// A scene that starts at frame 0 draws length + 2 frames: the count is
// compared before it is incremented, and strictly.
void countSceneFrame() {
  const int32_t drawn = demoState.sceneFrame;
  demoState.sceneFrame = wrapAdd(drawn, 1);
  if (drawn <= demoState.sceneLength) return;
  demoState.sceneFrame = 0;
  demoState.sceneIndex = wrapAdd(demoState.sceneIndex, 1);
  const bool spiralNext = demoState.sceneIndex == 1;
  demoState.sceneLength = sceneLengthOf(demoState.sceneIndex);
  demoState.swing = spiralNext ? kSpiralSceneSwing : 0.0;
  demoState.fading = true;
}

}  // namespace

bool renderFrame(Screen* screen) {
  if (demoState.fading) {
    // A transition frame draws no scene and is not counted; the frame whose
    // fade finds the canvas already black is the last one.
    if (!fadeCanvas(kTransitionFadeStep)) demoState.fading = false;
  } else {
    if (demoState.sceneIndex >= kSceneCount) return false;
    runSceneSteps(demoState.sceneIndex);
    countSceneFrame();
  }
  if (screen != nullptr) presentCanvas(screen);
  return true;
}
