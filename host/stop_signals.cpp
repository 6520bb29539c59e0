// stop_signals.cpp - the handler only sets a flag; the frame loop reads it.
#include "host/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequests = 0;

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onStopSignal(int) { stopRequests = stopRequests + 1; }

}  // namespace

void catchStopSignals(BlockedCalls blockedCalls) {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = blockedCalls == BlockedCalls::Restart ? SA_RESTART : 0;
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

bool stopSignalled() { return stopRequests != 0; }

int stopSignalCount() { return stopRequests; }
