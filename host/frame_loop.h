// frame_loop.h - one pass of the demo's frame loop: input, then one frame.
//
// Shared by the demo (host/demo_main.cpp, which adds pacing) and the headless
// capture tool (which injects keys with SDL_PushEvent and runs unpaced), so
// both handle events and end the loop the same way.
#pragma once

#include <SDL.h>

// Applies one SDL event to the demo: Space starts a transition and moves
// sceneIndex on by one; Escape and the window-close request (SDL_QUIT) ask to
// quit. Everything else, key releases included, changes nothing.
// Returns true when the event asks to quit.
bool handleEvent(const SDL_Event& event);

// Drains SDL's event queue through handleEvent. Returns true when any event
// asked to quit.
bool pollEvents();

struct FramePass {
  bool rendered;  // renderFrame's result: false once the script is over
  bool quit;      // Escape or a close request arrived during this pass
};

// Drains the events, then draws and presents one frame (a quit request still
// lets this pass's frame be drawn). `screen` must not be null.
FramePass runFramePass(SDL_Surface* screen);

// Whether the loop goes on after `pass`.
inline bool loopGoesOn(FramePass pass) { return pass.rendered && !pass.quit; }
