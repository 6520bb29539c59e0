// demo_main.h - the demo program from start to exit.
#pragma once

// Opens the display, starts the music, plays the script frame by frame at 60
// frames per second until it ends or the viewer quits (Escape, closing the
// window, SIGINT, SIGTERM or SIGHUP), then slides the music out. Command-line
// arguments are not read.
// Returns the process exit status: 0, or 1 when there is no display to play on
// (after one line on stderr). Called by main.
int demoMain();
