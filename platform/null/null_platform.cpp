// null_platform.cpp - display and input of the null platform (null_screen.h).
#include "host/input_queue.h"
#include "platform/null/null_screen.h"
#include "platform/stop_requests.h"

namespace {

Screen nullScreen{};

}  // namespace

Screen* openScreen() {
  nullScreen = Screen{};
  return &nullScreen;
}

void presentCanvas(Screen* screen) { ++screen->framesShown; }

// A stop signal caught by the program (platform/stop_requests.h) is a
// Quit here too.
bool nextInput(DemoInput& input) {
  if (takeStopRequest()) {
    input = DemoInput::Quit;
    return true;
  }
  return takeQueuedInput(input);
}
