// stop_signals.cpp - platform/stop_requests.h on POSIX: SIGINT, SIGTERM and
// SIGHUP are the stop requests. The handler only counts; the program reads
// the count.
#include <csignal>

#include "platform/stop_requests.h"

namespace {

volatile std::sig_atomic_t stopRequests = 0;

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only this handler writes the count, one signal at a time (sa_mask blocks
// the others while it runs).
void onStopSignal(int) { stopRequests = stopRequests + 1; }

}  // namespace

void catchStopSignals(BlockedCalls blockedCalls) {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : kStopSignals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = blockedCalls == BlockedCalls::Restart ? SA_RESTART : 0;
  for (int signal : kStopSignals) {
    // Whoever started us ignored it on purpose (nohup, a script's background
    // job): by the shell's convention it stays ignored.
    struct sigaction inherited {};
    if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

bool stopSignalled() { return stopRequests != 0; }

bool takeStopRequest() {
  static int taken = 0;
  const int arrived = stopRequests;
  if (arrived == taken) return false;
  taken = arrived;
  return true;
}
