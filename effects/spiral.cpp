// spiral.cpp - not drawn yet: drawSpiral exists so the scene script can call it.
#include "effects/effects.h"

void drawSpiral(int32_t, int32_t, int32_t) {}
