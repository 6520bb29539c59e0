// main.cpp - the demo's entry point on the desktop. Arguments are ignored.
#include "host/demo_main.h"
#include "platform/posix/descriptors.h"

int main() {
  // With stderr closed, the X connection would take its number and the
  // demo's one-line messages would go into the X protocol, freezing it.
  holdStandardDescriptors();
  return demoMain();
}
