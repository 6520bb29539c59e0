// demobass.h - the interface of libdemobass, the demo's own music library.
//
// It plays audio files (on Linux anything libsndfile reads: WAV, FLAC, Ogg
// Vorbis, MP3, ...; on Windows, as demobass.dll, Ogg Vorbis) through the
// sound output (SDL's; waveOut), with a playback frequency and a volume
// that can slide linearly over time. The demo does not link it: the
// host loads it at run time and looks these entry points up by name, so the
// names and signatures below are the contract.
//
// Calls come from one thread (the program's); playback runs on the output's
// thread and on one decoding thread per stream. BOOL results are 1 for
// success and 0 for failure; a handle of 0 is a failure.
//
// Use: BASS_Init, BASS_StreamCreateFile, BASS_Start, BASS_StreamPlay; at the
// end BASS_ChannelSlideAttributes, poll BASS_ChannelIsSliding, BASS_Free.
// A program that exits, or unloads the library, without BASS_Free gets the
// same clean stop at that moment.
#pragma once

#include <cstdint>

#ifdef _WIN32
#define DEMOBASS_EXPORT extern "C" __declspec(dllexport)
#else
#define DEMOBASS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// BASS_StreamPlay flag: restart the stream from its beginning, without a
// gap, whenever it ends.
constexpr uint32_t kDemoBassLoop = 4;

// "Leave this attribute as it is" values of BASS_ChannelSlideAttributes.
constexpr int kDemoBassKeepFrequency = -1;
constexpr int kDemoBassKeepVolume = -1;
constexpr int kDemoBassKeepPan = -101;

// How many BASS_ChannelSlideAttributes calls of one channel may wait for the
// output to take them (see there).
constexpr int kDemoBassSlideQueue = 8;

// Opens the default output device (`device` -1 or 1) at `frequency` Hz
// (8000..192000), 16-bit stereo, paused until BASS_Start. `flags` and
// `window` are accepted and ignored. Fails (0) when already initialised,
// when the arguments are out of range or when SDL has no working audio
// device; the rest of the process (video included) is not affected.
DEMOBASS_EXPORT int BASS_Init(int device, uint32_t frequency, uint32_t flags, void* window);

// Opens the file `file` (a path; `fromMemory` must be 0, `offset` and
// `length` 0) as a stream and returns its channel handle, 1 for the first
// stream after BASS_Init. The file is decoded while it plays, a second
// ahead; a file of up to a second is held whole in memory and loops from
// there. Creation reads only the file's header and its first second, so a
// long file opens as fast as a short one. Files that libsndfile cannot
// decode or that hold no audio are refused with 0, and so are files whose
// first second is damaged: a decoding error, or fewer frames than the
// header declares. Damage further on shows only as the stream plays: a
// decoding error, or the file's end before the frames its header declares,
// is taken as the stream's end (or, looping, its loop point). An Ogg file
// that does not end in a whole page (cut short, or with bytes after its
// last page) has no length libsndfile can find, and an MP3 declares none:
// such a file plays as far as libsndfile decodes it, which for an MP3
// without a Xing header is at most libsndfile's estimate from the file's
// size. `flags` is accepted and ignored.
DEMOBASS_EXPORT uint32_t BASS_StreamCreateFile(int fromMemory, const void* file, uint32_t offset,
                                               uint32_t length, uint32_t flags);

// Starts (unpauses) the output. Fails when not initialised.
DEMOBASS_EXPORT int BASS_Start();

// Starts `stream` playing; with kDemoBassLoop in `flags` it loops. A stream
// plays on from where it stands, so `flush` changes nothing: every stream
// starts at its beginning the first time it is played.
DEMOBASS_EXPORT int BASS_StreamPlay(uint32_t stream, int flush, uint32_t flags);

// Slides the channel's playback frequency (Hz, 100..200000, the file's own
// rate at the start; heard within 1/256..256 times the output rate), volume
// (0..100, 100 at the start) and pan (-100 left .. 100 right, 0 at the
// start) from their current values to the given ones, linearly over
// `milliseconds` of output; 0 ms sets them at once. A keep value (above)
// leaves that attribute, and any slide of it in progress, alone. Values out
// of range are clamped. Fails for an unknown channel.
// The slide waits in a queue until the output takes it, which it does every
// few milliseconds while it runs; with kDemoBassSlideQueue slides of the
// channel waiting (the output not yet started by BASS_Start, or stalled) the
// call fails and changes nothing. The queue is fixed because the output
// never allocates or waits, and that many slides within one output buffer
// (23 ms) is more than anyone could hear.
DEMOBASS_EXPORT int BASS_ChannelSlideAttributes(uint32_t channel, int frequency, int volume,
                                                int pan, uint32_t milliseconds);

// Nonzero while a slide of `channel` is in progress: from the
// BASS_ChannelSlideAttributes call until its time has passed by the clock
// and its time of output has been mixed, whichever is later. A stalled
// output holds it up for at most two seconds past the slide's time. 0 for
// an unknown channel.
DEMOBASS_EXPORT uint32_t BASS_ChannelIsSliding(uint32_t channel);

// Closes the output and frees every stream. Fails when not initialised.
DEMOBASS_EXPORT int BASS_Free();

// ---- Position (beyond the seven entry points the demo needs) ------------
// For a host whose picture follows the music: where the music being heard
// is, and a jump to another place in it.

// Seconds of `channel`'s stream being heard now, from the stream's start,
// loops counted (it grows past the file's length as the stream loops): the
// position of the block last mixed, less the device's buffer ahead of it,
// run on by the clock until the next block (and no further, so a stalled
// output stops it). Never less than the last value told, but after a move.
// Offline (DemoBass_Render), exactly the frames rendered so far. -1 for an
// unknown channel.
DEMOBASS_EXPORT double DemoBass_ChannelGetPosition(uint32_t channel);

// Moves `channel`'s stream so that `seconds` (the same measure, 0 to 10^7)
// is heard next: the old place fades out over 15 ms, the ring is refilled
// from the new one, which fades in over 15 ms, so the jump does not click.
// In a file of known length a position past its end falls where the loop
// puts it; in one of unknown length a place the file cannot seek to leaves
// the stream where it was. Fails for an unknown channel or a position out
// of range; a stream not yet playing moves once it plays.
DEMOBASS_EXPORT int32_t DemoBass_ChannelSetPosition(uint32_t channel, double seconds);

// ---- Offline rendering (not part of the playback interface) --------------
// For making videos: the same streams, slides and mixing as live, but
// rendered on demand into memory instead of played on a device, with no
// threads and the same samples every time.

// Initialises the library like BASS_Init, without any device, at `frequency`
// Hz. The other calls then work as usual; BASS_Free ends it. Fails (0) when
// already initialised or the rate is out of range.
DEMOBASS_EXPORT int DemoBass_InitOffline(uint32_t frequency);

// Mixes the next `frames` frames of output (16-bit stereo, interleaved) into
// `out`, advancing streams and slides by exactly that much output time.
// Fails (0) unless initialised by DemoBass_InitOffline.
DEMOBASS_EXPORT int DemoBass_Render(int16_t* out, uint32_t frames);
