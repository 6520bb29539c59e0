// demobass_backend.h - what the music library's core (demobass.cpp) needs
// from the machine: a decoder, a resampler and a sound output. Each build
// links one implementation: demobass_linux.cpp (libsndfile, libsamplerate,
// SDL) or demobass_windows.cpp (stb_vorbis, sinc_resampler.h, waveOut).
// Decoders and resamplers are called from the caller's thread while a stream
// opens and from its decoding or the output's thread afterwards, never from
// two at once; the output calls from the caller's thread.
#pragma once

#include <cstdint>

// ---- Decoding --------------------------------------------------------------

struct AudioFile;  // the backend's own

struct AudioFileFacts {
  int channels;          // interleaved in what audioFileRead gives
  int rate;              // frames per second
  int64_t frames;        // as the file declares them; 0 or less: unknown
  bool lengthEstimated;  // the length is a guess (an MP3's), not a promise
};

// Opens `path` (a regular file) for decoding and fills `facts`; null when
// it is not audio the backend decodes.
AudioFile* audioFileOpen(const char* path, AudioFileFacts& facts);

// Decodes up to `frames` frames into `out` (frames x channels floats, -1 to
// 1); returns how many, 0 at the end of the file or on an error.
int64_t audioFileRead(AudioFile* file, float* out, int64_t frames);

// Whether a read has failed on damaged data (rather than ended).
bool audioFileFailed(AudioFile* file);

// To frame `frame` (0: the first); false when the file cannot seek there.
bool audioFileSeek(AudioFile* file, int64_t frame);

void audioFileClose(AudioFile* file);

// ---- Resampling (stereo float frames) --------------------------------------

struct StreamResampler;  // the backend's own

// A band-limited resampler with a silent history, or null.
StreamResampler* resamplerNew();
void resamplerDelete(StreamResampler* resampler);

// The ratio (output rate / input rate) the first frames are made at.
void resamplerSetRatio(StreamResampler* resampler, double ratio);

// Forgets the input held back, as if new; called from the output's thread,
// so it neither allocates nor waits.
void resamplerReset(StreamResampler* resampler);

// Reads at most `inFrames` frames from `in`, writes at most `outFrames` to
// `out` at `ratio` (1/256 to 256, taking effect at once); `used` and
// `generated` say how many. False when the resampler failed.
bool resamplerProcess(StreamResampler* resampler, const float* in, long inFrames, float* out,
                      long outFrames, double ratio, long& used, long& generated);

// ---- Output ----------------------------------------------------------------

// Fills `out` with `frames` frames of 16-bit stereo; called on the output's
// own thread, which it must never block.
using MixCallback = void (*)(int16_t* out, int frames);

// Opens the default sound device at `rate` Hz, 16-bit stereo, in buffers of
// about `bufferFrames`, paused: `mix` is not called before outputStart.
// False when there is no usable device (nothing then stays open). The
// device's own complaints are kept off stderr: the caller reports.
bool outputOpen(int rate, int bufferFrames, MixCallback mix);

// Starts calling `mix` and playing.
void outputStart();

// Whether the output is open (the program's exit may have closed it).
bool outputIsOpen();

// Stops the output; when it returns, `mix` runs no more.
void outputClose();
