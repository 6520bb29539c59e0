// console_stop.cpp - platform/stop_requests.h on Windows: a console's
// Ctrl+C, Ctrl+Break, closing it, logging off and shutting down are the
// stop requests there. The handler only counts; the program reads the count.
#include <windows.h>

#include "platform/stop_requests.h"

namespace {

volatile LONG stopRequests = 0;

// Windows runs the handler on a thread of its own, hence the atomic count.
BOOL WINAPI onConsoleEvent(DWORD) {
  InterlockedIncrement(&stopRequests);
  return TRUE;
}

}  // namespace

// Writes and waits are never interrupted on Windows; both kinds of caller
// check the count between them.
void catchStopSignals(BlockedCalls) { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

namespace {

LONG requestsArrived() { return InterlockedCompareExchange(&stopRequests, 0, 0); }

}  // namespace

bool stopSignalled() { return requestsArrived() != 0; }

bool takeStopRequest() {
  static LONG taken = 0;
  const LONG arrived = requestsArrived();
  if (arrived == taken) return false;
  taken = arrived;
  return true;
}
