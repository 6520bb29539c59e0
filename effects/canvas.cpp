// canvas.cpp - owns the frame buffer declared in canvas.h.
#include "effects/canvas.h"

uint8_t canvas[kCanvasBytes];
