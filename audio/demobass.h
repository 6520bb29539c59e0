// demobass.h - libdemobass, the demo's own music library: the entry points
// of audio/music_contract.h, and an offline mode for making videos.
//
// It plays audio files (on Linux anything libsndfile reads: WAV, FLAC, Ogg
// Vorbis, MP3, ...; on Windows, as demobass.dll, Ogg Vorbis) through the
// sound output (SDL's; waveOut). Playback runs on the output's thread and
// on one decoding thread per stream. A program that exits, or unloads the
// library, without BASS_Free gets the same clean stop at that moment.
//
// How it keeps the contract:
// - BASS_Init fails when SDL (waveOut) has no working device; the rest of
//   the process, video included, is not affected.
// - BASS_StreamCreateFile decodes the file while it plays, a second ahead;
//   a file of up to a second is held whole in memory and loops from there.
//   Creation reads only the header and the first second, so a long file
//   opens as fast as a short one. Files that libsndfile cannot decode or
//   that hold no audio are refused, and so are files whose first second is
//   damaged: a decoding error, or fewer frames than the header declares.
//   Damage further on shows only as the stream plays: it is taken as the
//   stream's end (or, looping, its loop point). An Ogg file that does not
//   end in a whole page has no length libsndfile can find, and an MP3
//   declares none: such a file plays as far as libsndfile decodes it.
// - A frequency is heard within 1/256..256 times the output rate.
// - A slide waits in a queue until the output takes it, which it does every
//   few milliseconds while it runs; with kDemoBassSlideQueue slides of the
//   channel waiting (the output not yet started, or stalled) the call fails
//   and changes nothing. The queue is fixed because the output never
//   allocates or waits, and that many slides within one output buffer
//   (23 ms) is more than anyone could hear.
// - BASS_ChannelIsSliding answers from the call until the slide's time has
//   passed by the clock and its output has been mixed, whichever is later;
//   a stalled output holds it up for at most two seconds past that.
// - The position heard is that of the block last mixed, less the device's
//   buffer ahead of it, run on by the clock until the next block (and no
//   further, so a stalled output stops it); offline, exactly the frames
//   rendered so far.
// - A move fades the old place out over 15 ms, refills the ring from the
//   new one and fades it in over 15 ms. In a file of unknown length a place
//   the file cannot seek to leaves the stream where it was; a stream not
//   yet playing moves once it plays.
#pragma once

#include <cstdint>

#include "audio/music_contract.h"

// How many BASS_ChannelSlideAttributes calls of one channel may wait for the
// output to take them.
constexpr int kDemoBassSlideQueue = 8;

// ---- Offline rendering (not part of the playback interface) --------------
// For making videos: the same streams, slides and mixing as live, but
// rendered on demand into memory instead of played on a device, with no
// threads and the same samples every time.

// Initialises the library like BASS_Init, without any device, at `frequency`
// Hz. The other calls then work as usual; BASS_Free ends it. Fails (0) when
// already initialised or the rate is out of range.
DEMO_MUSIC_ENTRY int DemoBass_InitOffline(uint32_t frequency);

// Mixes the next `frames` frames of output (16-bit stereo, interleaved) into
// `out`, advancing streams and slides by exactly that much output time.
// Fails (0) unless initialised by DemoBass_InitOffline.
DEMO_MUSIC_ENTRY int DemoBass_Render(int16_t* out, uint32_t frames);
