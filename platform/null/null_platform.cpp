// null_platform.cpp - display and input of the null platform (null_screen.h).
#include "host/input_queue.h"
#include "platform/null/null_screen.h"

namespace {

Screen nullScreen{};

}  // namespace

Screen* openScreen() {
  nullScreen = Screen{};
  return &nullScreen;
}

void presentCanvas(Screen* screen) { ++screen->framesShown; }

bool nextInput(DemoInput& input) { return takeQueuedInput(input); }
