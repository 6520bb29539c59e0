// stop_signals.h - SIGINT and SIGTERM as a polite request to stop.
//
// A terminal's Ctrl-C or a session manager's SIGTERM should end the demo
// the way closing its window does: the frame in progress is finished, the
// music slides out and the exit handler gives the desktop its display mode
// back. SDL catches these signals itself only when they are not ignored, so
// the demo takes them over unconditionally. Used by demoMain.
#pragma once

// Installs the handlers. Call once, before the frame loop.
void catchStopSignals();

// True once SIGINT or SIGTERM has arrived.
bool stopSignalled();
