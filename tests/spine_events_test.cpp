// Input and loop ending: keys go through SDL's own queue (SDL_PushEvent under
// the dummy driver), exactly as in the demo's frame loop.
#include <gtest/gtest.h>

#include <cstring>

#include "effects/canvas.h"
#include "host/frame_loop.h"
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

class Events : public ::testing::Test {
 protected:
  void SetUp() override {
    testScreen();
    for (SDL_Event drain; SDL_PollEvent(&drain);) {
    }
    std::memset(canvas, 0, sizeof canvas);
    resetDemoState();
  }
};

TEST_F(Events, EachSpaceStartsATransitionAndMovesTheSceneOn) {
  push(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_FALSE(pollEvents());
  EXPECT_TRUE(demoState.fading);
  EXPECT_EQ(demoState.sceneIndex, 1);
  push(SDL_KEYDOWN, SDLK_SPACE);  // two in one frame skip two scenes
  push(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_TRUE(loopGoesOn(runFramePass(testScreen())));
  EXPECT_EQ(demoState.sceneIndex, 3);
  demoState.sceneIndex = INT32_MAX;  // and never overflow the index
  push(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_FALSE(pollEvents());
  EXPECT_EQ(demoState.sceneIndex, INT32_MAX);
}

TEST_F(Events, EscapeAndCloseEndTheLoopAfterTheirFrameIsDrawn) {
  for (const Uint8 type : {Uint8(SDL_KEYDOWN), Uint8(SDL_QUIT)}) {
    resetDemoState();
    push(type, SDLK_ESCAPE);
    const FramePass pass = runFramePass(testScreen());
    EXPECT_TRUE(pass.rendered) << "the quit pass still draws";
    EXPECT_TRUE(pass.quit);
    EXPECT_FALSE(loopGoesOn(pass));
    EXPECT_EQ(demoState.sceneFrame, 1);
  }
}

TEST_F(Events, ReleasesOtherKeysAndMouseChangeNothing) {
  push(SDL_KEYUP, SDLK_SPACE);
  push(SDL_KEYUP, SDLK_ESCAPE);
  push(SDL_KEYDOWN, SDLK_a);
  push(SDL_KEYDOWN, SDLK_RETURN);
  push(SDL_MOUSEBUTTONDOWN);
  EXPECT_FALSE(pollEvents());
  EXPECT_FALSE(demoState.fading);
  EXPECT_EQ(demoState.sceneIndex, 0);
}

}  // namespace
