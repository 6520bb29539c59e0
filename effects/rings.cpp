// rings.cpp - not drawn yet: drawRings exists so the scene script can call it.
#include "effects/effects.h"

void drawRings() {}
