// input_queue.cpp - a fixed ring of inputs (see input_queue.h).
#include "host/input_queue.h"

namespace {

DemoInput waiting[kInputQueueSize];
int first = 0;  // index of the oldest
int count = 0;

}  // namespace

void queueInput(DemoInput input) {
  if (count == kInputQueueSize) return;
  waiting[(first + count) % kInputQueueSize] = input;
  ++count;
}

bool takeQueuedInput(DemoInput& input) {
  if (count == 0) return false;
  input = waiting[first];
  first = (first + 1) % kInputQueueSize;
  --count;
  return true;
}

void clearQueuedInputs() { first = count = 0; }
