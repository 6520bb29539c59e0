// capture_signals.h - SIGINT, SIGTERM and SIGHUP stop a capture.
//
// The handlers only set a flag, and they are installed without SA_RESTART:
// a write to a stalled ffmpeg or a wait for it returns early, so the run
// can stop within a moment whatever ffmpeg is doing. Everything that blocks
// checks the flag. Used by demo-capture's run loop and its video encoder.
#pragma once

// Installs the handlers. Call once, before SDL starts (SDL leaves handlers
// that are already there alone).
void catchCaptureStops();

// True once a stop signal has arrived.
bool captureInterrupted();
