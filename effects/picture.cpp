// picture.cpp - not drawn yet: drawPicture exists so the scene script can call it.
#include "effects/effects.h"

void drawPicture() {}
