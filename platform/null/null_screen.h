// null_screen.h - the null platform: the demo with no display and no viewer.
//
// Its screen shows nothing and only counts the frames presented to it; its
// inputs are those queued by a key script (host/key_script.h). The capture
// tool is built on it, and so are the tests, the benchmarks and the fuzzer
// that run whole frames: what they see is the canvas itself, exactly as
// every other platform receives it. The system calls (libraries, sleeping,
// the clock) are those of the machine it runs on.
#pragma once

#include "platform/platform.h"

struct Screen {
  long framesShown;  // presentCanvas calls so far
};
