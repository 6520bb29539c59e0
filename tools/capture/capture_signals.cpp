// capture_signals.cpp - the stop flag and its handlers.
#include "tools/capture/capture_signals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onStopSignal(int) { interrupted = 1; }

}  // namespace

void catchCaptureStops() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool captureInterrupted() { return interrupted != 0; }
