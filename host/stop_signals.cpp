// stop_signals.cpp - the handler only sets a flag; the frame loop reads it.
#include "host/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onStopSignal(int) { stopRequested = 1; }

}  // namespace

void catchStopSignals(BlockedCalls blockedCalls) {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = blockedCalls == BlockedCalls::Restart ? SA_RESTART : 0;
  for (int signal : kStopSignals) {
    // Whoever started us ignored it on purpose (nohup, a script's background
    // job): by the shell's convention it stays ignored.
    struct sigaction inherited {};
    if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

bool stopSignalled() { return stopRequested != 0; }
