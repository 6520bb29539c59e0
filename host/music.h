// music.h - the demo's music: one stream, "data.dat" from the working
// directory, played in a loop by the music library, which is loaded at run
// time. demoMain calls musicStart() right after the video mode is set and
// musicEnd() after the frame loop; everything else here is for them and for
// the tests.
//
// Music is never a reason to stop the demo: when the library, one of its
// entry points, the audio device or "data.dat" is missing or unusable,
// musicStart() prints one line on stderr and the demo runs silent, and
// musicEnd() then only releases what was loaded.
#pragma once

#include <cstdint>

#include "audio/music_contract.h"
#include "platform/platform.h"

// The loaded library: its module handle and its entry points, typed as
// audio/music_contract.h declares them. A pointer is null when its name did
// not resolve; such a pointer is never called.
struct MusicApi {
  platform::ModuleHandle module;
  decltype(&::BASS_Init) BASS_Init;
  decltype(&::BASS_StreamCreateFile) BASS_StreamCreateFile;
  decltype(&::BASS_Start) BASS_Start;
  decltype(&::BASS_StreamPlay) BASS_StreamPlay;
  decltype(&::BASS_ChannelSlideAttributes) BASS_ChannelSlideAttributes;
  decltype(&::BASS_ChannelIsSliding) BASS_ChannelIsSliding;
  decltype(&::BASS_Free) BASS_Free;
  decltype(&::DemoBass_ChannelGetPosition) DemoBass_ChannelGetPosition;  // both null, or both set
  decltype(&::DemoBass_ChannelSetPosition) DemoBass_ChannelSetPosition;
};

extern MusicApi musicApi;

// Releases the library if it is loaded and clears the table. Calling it
// again, or without a load, does nothing.
void unloadMusicApi();

// Starts "data.dat" looping. Prints one line on stderr and leaves the
// library unloaded when the music cannot play.
void musicStart();

// Seconds of the music heard now (DemoBass_ChannelGetPosition), or a
// negative value when no music plays, the library cannot tell, or the call
// failed. Called by the music-led frame loops.
double musicHeardSeconds();

// Moves the playing music so that `seconds` (>= 0, the same measure) is
// heard next, with the library's short crossfade. Returns false, and does
// nothing, when no music plays or the library cannot move it.
bool musicMoveTo(double seconds);

// Plays the music's ending (kMusicEnding), waits until both slides are
// done, frees the output and unloads the library. Returns at once when no
// music was playing. The wait ends early on a stop signal that arrives
// during it, and at the latest 1.5 s past the slides' time, should the
// library never report them done.
void musicEnd();
