// main.cpp - the demo's entry point. Arguments are ignored.
#include "host/demo_main.h"

int main() { return demoMain(); }
