// demo_main.h - the demo program from start to exit.
#pragma once

// Opens the display, starts the music, plays the script frame by frame at 60
// frames per second until it ends or the viewer quits (Escape, closing the
// window, or the system asking the program to stop), then slides the music
// out. Command-line arguments are not read.
// Returns the process exit status: 0, or 1 when there is no display to play on
// (after one line on stderr). Called by the platform's entry point (main,
// WinMain).
int demoMain();
