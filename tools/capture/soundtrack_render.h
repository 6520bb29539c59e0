// soundtrack_render.h - the demo's music for a video, rendered offline.
//
// Plays "data.dat" from the working directory, or else from beside the
// program, through the demo's own music library in its offline mode, 1/60 s
// of sound per video frame, so sound and picture stay in step whatever the
// capture's speed. The ending is the live program's (kMusicEnding in
// audio/music_contract.h), over kSoundtrackEndingFrames held video frames.
// One soundtrack per process; used by demo-capture's --video.
#pragma once

#include <cstdint>
#include <string>

#include "audio/music_contract.h"
#include "host/pacing.h"

// Length of the ending in video frames at 60 per second.
constexpr long kSoundtrackEndingFrames = kMusicEnding.slowDownMs * kFramesPerSecond / 1000;

// Starts the music. Returns false, with a one-line reason in `note` (where
// data.dat was looked for, or that it does not play), when it cannot play.
bool soundtrackOpen(std::string& note);

// Renders the sound of the next video frame into `samples`
// (kVideoSoundSamplesPerFrame values, left and right interleaved).
// `endingFrame` is -1 while the script runs, then 0 to
// kSoundtrackEndingFrames - 1 through the ending. False with a reason in
// `error` when the music library failed.
bool soundtrackFrame(long endingFrame, int16_t* samples, std::string& error);

// Moves the music so that the next video frame's sound is `seconds` (>= 0,
// loops counted) into the soundtrack, through the library's own move with
// its short crossfade: the move the demo makes when a skip lands a scene on
// its section. False when the library refused it (the music plays on).
bool soundtrackMoveTo(double seconds);

// Stops the music. Safe to call at any time and more than once.
void soundtrackClose();
