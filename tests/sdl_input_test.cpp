// sdl_input_test.cpp - the SDL platform's inputs: which SDL events mean
// something to the demo, and stop signals as Quit, one for each signal.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/sdl/sdl_screen.h"
#include "platform/stop_requests.h"

namespace {

void push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
  SDL_Event event{};
  event.type = event.key.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// The inputs nextInput gives until it has none, as letters: S skip, Q quit.
std::string takeAll() {
  std::string taken;
  for (DemoInput input; nextInput(input);) taken += input == DemoInput::Skip ? 'S' : 'Q';
  return taken;
}

TEST(SdlInput, SpaceSkipsEscapeAndCloseQuitAndNothingElseCounts) {
  ASSERT_NE(openDummySdlScreen(), nullptr) << SDL_GetError();
  takeAll();
  push(SDL_KEYUP, SDLK_SPACE);
  push(SDL_KEYUP, SDLK_ESCAPE);
  push(SDL_KEYDOWN, SDLK_RETURN);
  push(SDL_MOUSEBUTTONDOWN);
  push(SDL_KEYDOWN, SDLK_SPACE);
  push(SDL_KEYDOWN, SDLK_ESCAPE);
  push(SDL_QUIT);
  EXPECT_EQ(takeAll(), "SQQ");
}

TEST(SdlInput, EachStopSignalIsOneQuit) {
  catchStopSignals(BlockedCalls::Restart);
  takeAll();
  std::raise(SIGTERM);
  EXPECT_EQ(takeAll(), "Q");
  EXPECT_EQ(takeAll(), "") << "a signal already acted on came back";
  std::raise(SIGINT);
  EXPECT_EQ(takeAll(), "Q") << "a second request, e.g. while the music's end waits";
}

}  // namespace
