// input_queue.h - the viewer's inputs waiting for the next frame pass.
//
// Platforms whose inputs arrive outside the frame pass (a window procedure,
// the page's key handlers) or that have no viewer at all (a key script in
// the headless runs) keep them here until nextInput takes them. A fixed
// ring: queueing never allocates, so it is safe from any callback on the
// main thread.
#pragma once

#include "platform/platform.h"

// Room for this many waiting inputs; more are dropped, the oldest kept. A
// frame pass takes all of them, and no viewer presses 64 keys in 1/60 s.
constexpr int kInputQueueSize = 64;

// Appends `input`. Called by platforms and by the key script (key_script.h).
void queueInput(DemoInput input);

// Takes the oldest waiting input into `input`; false when none waits. Called
// by the platforms' nextInput.
bool takeQueuedInput(DemoInput& input);

// Drops every waiting input. Called before a run, so that keys pressed
// before it are not part of it.
void clearQueuedInputs();
