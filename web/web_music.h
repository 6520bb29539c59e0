// web_music.h - the music library of the web build: the seven entry points
// the music code looks up and the position pair (host/music.h), implemented in JavaScript over the
// browser's Web Audio in web_music.js and linked in as imports.
//
// The page decodes "data.dat" once, before the first run, and hands the
// decoded audio and its AudioContext to the library (see web_music.js); a
// stream can only be created from a file the page has decoded. Signatures,
// arguments, results and "keep" values are those of the desktop library.
// Called only through the table that web_platform.cpp hands out.
#pragma once

#include <cstdint>

extern "C" {
int32_t BASS_Init(int32_t device, uint32_t frequency, uint32_t flags, void* window);
uint32_t BASS_StreamCreateFile(int32_t fromMemory, const void* file, uint32_t offset,
                               uint32_t length, uint32_t flags);
int32_t BASS_Start();
int32_t BASS_StreamPlay(uint32_t stream, int32_t flush, uint32_t flags);
int32_t BASS_ChannelSlideAttributes(uint32_t channel, int32_t frequency, int32_t volume,
                                    int32_t pan, uint32_t milliseconds);
uint32_t BASS_ChannelIsSliding(uint32_t channel);
int32_t BASS_Free();
double DemoBass_ChannelGetPosition(uint32_t channel);
int32_t DemoBass_ChannelSetPosition(uint32_t channel, double seconds);
}

// How many loads of the library have not been released yet; 0 once the
// music code has unloaded it. For the page's tests.
extern "C" int webMusicModuleLoads();
