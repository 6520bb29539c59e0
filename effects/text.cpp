// text.cpp - not drawn yet: drawText exists so the scene script can call it.
#include "effects/effects.h"

bool drawText(const uint8_t*, int32_t, int32_t, int32_t) { return false; }
