// render_frame.h - the scene script: one call draws and presents one frame.
#pragma once

struct SDL_Surface;

// Called once per pass of the frame loop with the screen surface (never null).
// Runs a transition step or the current scene's frame, counts the frame
// against the scene's length, presents the canvas and returns true; once the
// script is over (sceneIndex 5 or more) returns false and presents nothing.
bool renderFrame(SDL_Surface* screen);

// The scene count; a sceneIndex at or past it means the script is over.
constexpr int kSceneCount = 5;
