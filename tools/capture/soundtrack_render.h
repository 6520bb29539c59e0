// soundtrack_render.h - the demo's music for a video, rendered offline.
//
// Plays "data.dat" from the working directory through the demo's own music
// library in its offline mode, 1/60 s of sound per video frame, so sound and
// picture stay in step whatever the capture's speed. The ending is the live
// program's: the slide to 1000 Hz over 500 ms, 300 ms later the fade to
// silence over 200 ms. The samples go to a WAV file for the encoder.
// One soundtrack per process; used by demo-capture's --video.
#pragma once

#include <string>

// Length of the ending in video frames at 60 per second (500 ms).
constexpr long kSoundtrackEndingFrames = 30;

// Starts the music and the WAV file at `wavPath`. Returns false, with a
// reason in `note`, when the music cannot play (missing or unplayable
// data.dat) or the file cannot be written: the video is then silent.
bool soundtrackOpen(const std::string& wavPath, std::string& note);

// Renders the sound of one video frame. Nothing when not open.
bool soundtrackFrame();

// Renders the ending (kSoundtrackEndingFrames frames of sound) and closes
// the file. False with a reason when writing failed.
bool soundtrackFinish(std::string& error);

// Stops the music and closes the file without finishing it.
void soundtrackAbort();
