// Input and loop ending: keys go through SDL's own queue (SDL_PushEvent under
// the dummy driver), exactly as in the demo's frame loop.
#include <gtest/gtest.h>

#include <cstring>

#include "effects/canvas.h"
#include "host/frame_loop.h"
#include "scenes/demo_state.h"
#include "support/test_screen.h"

namespace {

SDL_Event keyEvent(Uint8 type, SDLKey key) {
  SDL_Event event{};
  event.type = type;
  event.key.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  return event;
}

void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }

class Events : public ::testing::Test {
 protected:
  void SetUp() override {
    testScreen();
    SDL_Event drain;
    while (SDL_PollEvent(&drain)) {
    }
    std::memset(canvas, 0, sizeof canvas);
    resetDemoState();
  }
};

TEST_F(Events, SpaceStartsTransitionAndMovesSceneOn) {
  push(keyEvent(SDL_KEYDOWN, SDLK_SPACE));
  EXPECT_FALSE(pollEvents());
  EXPECT_TRUE(demoState.fading);
  EXPECT_EQ(demoState.sceneIndex, 1);
}

TEST_F(Events, TwoSpacesInOneFrameSkipTwoScenes) {
  push(keyEvent(SDL_KEYDOWN, SDLK_SPACE));
  push(keyEvent(SDL_KEYDOWN, SDLK_SPACE));
  const FramePass pass = runFramePass(testScreen());
  EXPECT_TRUE(loopGoesOn(pass));
  EXPECT_EQ(demoState.sceneIndex, 2);
}

TEST_F(Events, EscapeAndCloseEndTheLoopAfterTheirFrameIsDrawn) {
  for (const bool close : {false, true}) {
    resetDemoState();
    SDL_Event event = keyEvent(SDL_KEYDOWN, SDLK_ESCAPE);
    if (close) event.type = SDL_QUIT;
    push(event);
    const FramePass pass = runFramePass(testScreen());
    EXPECT_TRUE(pass.rendered) << "the quit pass still draws";
    EXPECT_TRUE(pass.quit);
    EXPECT_FALSE(loopGoesOn(pass));
    EXPECT_EQ(demoState.sceneFrame, 1);
  }
}

TEST_F(Events, OtherInputChangesNothing) {
  push(keyEvent(SDL_KEYUP, SDLK_SPACE));
  push(keyEvent(SDL_KEYUP, SDLK_ESCAPE));
  push(keyEvent(SDL_KEYDOWN, SDLK_a));
  push(keyEvent(SDL_KEYDOWN, SDLK_RETURN));
  SDL_Event mouse{};
  mouse.type = SDL_MOUSEBUTTONDOWN;
  mouse.button.button = SDL_BUTTON_LEFT;
  push(mouse);
  EXPECT_FALSE(pollEvents());
  EXPECT_FALSE(demoState.fading);
  EXPECT_EQ(demoState.sceneIndex, 0);
}

TEST_F(Events, LoopEndsWhenTheScriptIsOver) {
  demoState.sceneIndex = 5;
  const FramePass pass = runFramePass(testScreen());
  EXPECT_FALSE(pass.rendered);
  EXPECT_FALSE(loopGoesOn(pass));
}

TEST_F(Events, SkipNeverOverflowsTheSceneIndex) {
  demoState.sceneIndex = INT32_MAX;
  SDL_Event space = keyEvent(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_FALSE(handleEvent(space));
  EXPECT_EQ(demoState.sceneIndex, INT32_MAX);
}

}  // namespace
