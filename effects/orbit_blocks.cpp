// orbit_blocks.cpp - not drawn yet: drawOrbitBlocks exists so the scene script can call it.
#include "effects/effects.h"

void drawOrbitBlocks() {}
