// halo.cpp - not drawn yet: drawHalo exists so the scene script can call it.
#include "effects/effects.h"

void drawHalo(int32_t, int32_t, int32_t) {}
