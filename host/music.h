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

#include "platform/platform.h"

// The music's design, which the capture tool's offline render of it keeps
// too: the stream "data.dat", output at 44.1 kHz; at the end a slide to
// 1000 Hz over 500 ms (the tune drops in pitch and tempo) and, 300 ms into
// it, a fade to silence over 200 ms. The end's slides address channel 1,
// which the library gives to the first stream it opens; the demo opens only
// this one.
constexpr const char* kMusicFile = "data.dat";
constexpr uint32_t kMusicOutputRate = 44100;  // Hz
constexpr uint32_t kMusicStreamFlags = 0x40000;
constexpr uint32_t kMusicChannel = 1;
constexpr int32_t kSlowDownFrequency = 1000;  // Hz
constexpr uint32_t kSlowDownMs = 500;
constexpr uint32_t kFadeOutDelayMs = 300;
constexpr uint32_t kFadeOutMs = 200;

// The library's entry points, with the signatures it exports. BOOL results
// are nonzero for success.
using BassInitFn = int32_t (*)(int32_t device, uint32_t frequency, uint32_t flags, void* window);
using BassStreamCreateFileFn = uint32_t (*)(int32_t fromMemory, const void* file, uint32_t offset,
                                            uint32_t length, uint32_t flags);
using BassStartFn = int32_t (*)();
using BassStreamPlayFn = int32_t (*)(uint32_t stream, int32_t flush, uint32_t flags);
using BassChannelSlideAttributesFn = int32_t (*)(uint32_t channel, int32_t frequency,
                                                 int32_t volume, int32_t pan,
                                                 uint32_t milliseconds);
using BassChannelIsSlidingFn = uint32_t (*)(uint32_t channel);
using BassFreeFn = int32_t (*)();

// Two optional entry points, used only when a library has both; without
// them the music plays as the seven alone allow and the monotonic clock
// paces the picture.
// GetPosition: seconds of the channel's stream being heard now, from the
// stream's start with its loops counted (it grows past the file's length as
// the stream loops); negative on failure.
// SetPosition: moves the stream so that `seconds` (the same measure) is
// heard next, with a short crossfade (about 30 ms); 1 on success, 0 on
// failure.
using DemoBassChannelGetPositionFn = double (*)(uint32_t channel);
using DemoBassChannelSetPositionFn = int32_t (*)(uint32_t channel, double seconds);

// The loaded library: its module handle and its entry points. A pointer is
// null when its name did not resolve; such a pointer is never called.
struct MusicApi {
  platform::ModuleHandle module;
  BassInitFn BASS_Init;
  BassStreamCreateFileFn BASS_StreamCreateFile;
  BassStartFn BASS_Start;
  BassStreamPlayFn BASS_StreamPlay;
  BassChannelSlideAttributesFn BASS_ChannelSlideAttributes;
  BassChannelIsSlidingFn BASS_ChannelIsSliding;
  BassFreeFn BASS_Free;
  DemoBassChannelGetPositionFn DemoBass_ChannelGetPosition;  // both null, or both set
  DemoBassChannelSetPositionFn DemoBass_ChannelSetPosition;
};

extern MusicApi musicApi;

// Releases the library if it is loaded and clears the table. Calling it
// again, or without a load, does nothing.
void unloadMusicApi();

// Starts "data.dat" looping. Prints one line on stderr and leaves the
// library unloaded when the music cannot play.
void musicStart();

// Seconds of the music heard now (the library's GetPosition above), or a
// negative value when no music plays, the library cannot tell, or the call
// failed. Called by the music-led frame loops.
double musicHeardSeconds();

// Moves the playing music so that `seconds` (>= 0, the measure above) is
// heard next, with the library's short crossfade. Returns false, and does
// nothing, when no music plays or the library cannot move it.
bool musicMoveTo(double seconds);

// Slides the playing music down to 1000 Hz over 500 ms, fades it out over
// 200 ms from 300 ms on, waits until both slides are done, frees the output
// and unloads the library. Returns at once when no music was playing. The
// wait ends early on a stop signal that arrives during it, and at the
// latest 1.5 s past the slides' time, should the library never report
// them done.
void musicEnd();
