// frame_loop.cpp - inputs and the frame of one loop pass.
#include "host/frame_loop.h"

#include <climits>

#include "scenes/demo_state.h"
#include "scenes/render_frame.h"

namespace {

void skipScene() {
  demoState.fading = true;
  // Saturate rather than overflow: past the last scene every index means "over".
  if (demoState.sceneIndex < INT32_MAX) demoState.sceneIndex += 1;
}

}  // namespace

bool pollInputs() {
  bool quit = false;
  DemoInput input;
  while (nextInput(input)) {
    if (input == DemoInput::Skip)
      skipScene();
    else
      quit = true;
  }
  return quit;
}

FramePass runFramePass(Screen* screen) {
  const bool quit = pollInputs();
  return FramePass{renderFrame(screen), quit};
}
