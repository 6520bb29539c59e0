// video.h - opens the demo's display.
#pragma once

#include <SDL.h>

// Starts SDL's video, registers SDL_Quit to run at exit (it restores the
// desktop's display mode; left out when the X server has gone away, see
// video.cpp), hides the cursor and sets the 640 x 480 x 32 full-screen,
// double-buffered mode with a flip that waits for the vertical blank unless
// the user chose otherwise in SDL12COMPAT_SYNC_TO_VBLANK. Returns the
// screen surface, or null after one line on stderr saying why: SDL's reason
// when the mode cannot be set; when SDL could only find a driver that shows
// nothing and the user did not ask for one by name in SDL_VIDEODRIVER, that
// the display DISPLAY or WAYLAND_DISPLAY names could not be opened, or with
// neither set, that there is no display. Called once, by demoMain.
SDL_Surface* openDisplay();

// Sets the demo's mode: 640 x 480, 32 bits per pixel, full screen,
// double-buffered, in video memory. SDL's video must be started. Returns the
// screen surface, or null with SDL's reason in SDL_GetError(). Called by
// openDisplay and openHeadlessScreen.
SDL_Surface* setDemoVideoMode();

// For the programs that run the demo without a display (the capture tool,
// the tests, the benchmarks, the fuzzer): starts SDL's video on its dummy
// driver, registers SDL_Quit to run at exit and sets the demo's mode, so
// that SDL's event queue works and the surface has the screen's pixel
// format. Returns null with SDL's reason in SDL_GetError().
SDL_Surface* openHeadlessScreen();
