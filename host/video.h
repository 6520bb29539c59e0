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

// SDL's flags for the demo's mode: full screen, double-buffered, in video memory.
constexpr Uint32 kVideoModeFlags = SDL_FULLSCREEN | SDL_DOUBLEBUF | SDL_HWSURFACE;  // 0xC0000001
constexpr int kScreenBitsPerPixel = 32;
