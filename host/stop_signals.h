// stop_signals.h - SIGINT, SIGTERM and SIGHUP as a polite request to stop.
//
// A terminal's Ctrl-C, a session manager's SIGTERM or the SIGHUP of a
// closed terminal or ended session should end the demo the way closing its
// window does: the frame in progress is finished, the music slides out and
// the exit handler gives the desktop its display mode back. SDL catches
// SIGINT and SIGTERM itself only when they are not ignored, so the demo
// takes all three over unconditionally. Used by demoMain.
#pragma once

// Installs the handlers. Call once, before the frame loop.
void catchStopSignals();

// True once one of the stop signals has arrived.
bool stopSignalled();
