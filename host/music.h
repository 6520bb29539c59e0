// music.h - the demo's music: started after the video mode is set, slowed
// down and faded out after the frame loop. Called only by demoMain.
#pragma once

// Loads the music library and starts "data.dat" looping. Never fails the
// demo: whatever is missing, it says so in one line on stderr and the demo
// runs silent.
void musicStart();

// Slides the music down and out, waits for the slides, releases the library.
void musicEnd();
