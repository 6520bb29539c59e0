// no_present.cpp - a presentation that presents nothing, for
// bench_scene_steps and tests/trig_accuracy_test.cpp: linked ahead of the
// demo's own presentCanvas so that renderFrame can be timed, or the script
// played, without the conversion and the flip.
#include "host/present.h"

void presentCanvas(SDL_Surface*) {}
