// music.cpp - no music yet: the demo runs silent.
#include "host/music.h"

void musicStart() {}
void musicEnd() {}
