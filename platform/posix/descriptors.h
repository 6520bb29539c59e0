// descriptors.h - file descriptors as the POSIX programs need them.
#pragma once

// Puts /dev/null on each of standard input, output and error that is closed,
// so that the next file the program opens (the X server's socket, a pipe)
// does not land there and receive the program's messages. Returns a mask
// of those that were closed: bit 0 input, 1 output, 2 error. Call first
// thing in main.
int holdStandardDescriptors();

// True when the process may open fewer than a handful more files (its
// RLIMIT_NOFILE is nearly used up): then a display, an audio device or a
// file that will not open fails for that reason, whatever else it reports.
bool fewDescriptorsLeft();
