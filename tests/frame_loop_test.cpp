// frame_loop_test.cpp - input and the end of the loop: keys go through SDL's
// own queue (SDL_PushEvent under the dummy driver), as in the demo's loop.
#include "host/frame_loop.h"

#include <gtest/gtest.h>

#include <cstring>

#include "effects/canvas.h"
#include "scenes/demo_state.h"
#include "support/test_screen.h"

namespace {

void push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
  SDL_Event event{};
  event.type = event.key.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&event), 0);
}

using FrameLoop = FrameTest;

// Each press moves the scene on, two in one pass two scenes, and the index
// never overflows; releases, other keys and the mouse change nothing.
TEST_F(FrameLoop, EachSpacePressSkipsAScene) {
  push(SDL_KEYUP, SDLK_SPACE);
  push(SDL_KEYUP, SDLK_ESCAPE);
  push(SDL_KEYDOWN, SDLK_RETURN);
  push(SDL_MOUSEBUTTONDOWN);
  EXPECT_FALSE(pollEvents());
  EXPECT_TRUE(demoState.sceneIndex == 0 && !demoState.fading)
      << "moved by a release, another key or the mouse";
  push(SDL_KEYDOWN, SDLK_SPACE);
  push(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_FALSE(pollEvents());
  EXPECT_TRUE(demoState.sceneIndex == 2 && demoState.fading) << "two presses in one pass";
  demoState.sceneIndex = INT32_MAX;
  push(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_FALSE(pollEvents());
  EXPECT_EQ(demoState.sceneIndex, INT32_MAX);
}

TEST_F(FrameLoop, EscapeAndCloseEndTheLoopAfterTheirFrameIsDrawn) {
  for (const Uint8 type : {Uint8(SDL_KEYDOWN), Uint8(SDL_QUIT)}) {
    resetDemoState();
    push(type, SDLK_ESCAPE);
    const FramePass pass = runFramePass(testScreen());
    EXPECT_TRUE(pass.rendered && pass.quit && !loopGoesOn(pass)) << int{type};
    EXPECT_EQ(demoState.sceneFrame, 1) << "the quit pass still draws";
  }
}

}  // namespace
