// stop_requests.h - a request to stop from outside the window, taken
// politely: on POSIX the signals SIGINT, SIGTERM and SIGHUP
// (platform/posix/stop_signals.cpp), on Windows a console's Ctrl+C, Ctrl+Break
// or close (platform/win32/console_stop.cpp).
//
// A terminal's Ctrl-C, a session manager's SIGTERM or the SIGHUP of a
// closed terminal or ended session should end the demo the way closing its
// window does: the frame in progress is finished, the music slides out and
// the exit handler gives the desktop its display mode back. SDL catches
// SIGINT and SIGTERM itself only when they are not ignored, so the demo
// takes all three over itself. A signal already ignored when the program
// starts (SIGHUP under nohup, SIGINT in a script's background job) stays
// ignored, as the shell's convention has it. Used by the platforms, which
// hand each stop request to the demo as a Quit input, and by the capture
// tool, whose run stops the same way.
#pragma once

// How a blocking call (a write, a wait) that a stop signal lands in goes on.
enum class BlockedCalls {
  Restart,    // as if nothing happened: the demo checks the flag once a frame
  Interrupt,  // it returns early (EINTR): for a program that must stop even
              // while what it waits on hangs (the capture tool and its ffmpeg)
};

// Installs the handlers. Call once, before SDL starts (SDL leaves handlers
// that are already there alone) or at least before the frame loop.
void catchStopSignals(BlockedCalls blockedCalls);

// True once one of the stop signals has arrived.
bool stopSignalled();

// True once for each stop signal that arrived since the last call: the
// platforms' nextInput hands each as a Quit, so one that comes while the
// music's end waits still ends that wait.
bool takeStopRequest();
