// frame_loop.h - one pass of the demo's frame loop: input, then one frame.
//
// Every way of running the demo goes through it, so inputs and the end of
// the loop behave alike everywhere: the demo (host/demo_main.cpp, which adds
// pacing), the web page, and the headless runs of the capture tool, the
// tests and the fuzzer (which queue a key script's inputs first).
#pragma once

#include "platform/platform.h"

// Takes every waiting input (platform.h's nextInput) and applies it: Skip
// starts a transition and moves sceneIndex on by one, Quit asks to quit.
// Returns true when any input asked to quit.
bool pollInputs();

struct FramePass {
  bool rendered;  // renderFrame's result: false once the script is over
  bool quit;      // a Quit arrived during this pass
};

// Takes the inputs, then draws and presents one frame (a quit request still
// lets this pass's frame be drawn). A null `screen` draws the frame without
// presenting it (renderFrame).
FramePass runFramePass(Screen* screen);

// Whether the loop goes on after `pass`.
inline bool loopGoesOn(FramePass pass) { return pass.rendered && !pass.quit; }
