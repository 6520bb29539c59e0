// sinc_resampler.h - band-limited resampling of stereo float frames, for
// the music library's Windows build, where Debian has no libsamplerate:
// a windowed sinc (Kaiser, 16 zero crossings, the kernel read from a table
// with linear interpolation between its points), its cut-off at the lower
// of the two rates' Nyquist frequencies, so neither a slow-down (upsampling)
// nor a speed-up (downsampling) mirrors frequencies into the audible band.
// Its calls mirror the part of libsamplerate's the library uses: the ratio
// may change from call to call and takes effect at once.
// One resampler per stream; all calls for it from one thread (the output's).
#pragma once

#include <cstdint>

// Ratios (output rate / input rate) the resampler takes: 1/256 to 256;
// others are clamped.
constexpr double kSincMinRatio = 1.0 / 256;
constexpr double kSincMaxRatio = 256.0;

struct SincResampler;

// A new resampler with an empty (silent) history, or null when out of
// memory. Free it with sincDelete.
SincResampler* sincNew();
void sincDelete(SincResampler* resampler);

// Forgets the history, as if new: the next input starts afresh.
void sincReset(SincResampler* resampler);

// Resamples: reads at most `inFrames` stereo frames from `in` and writes
// at most `outFrames` to `out` at `ratio`; `used` and `generated` say how
// many. Input is taken only as far as output needs it (plus the filter's
// look-ahead, which it holds back), so calls can go on with the rest.
void sincProcess(SincResampler* resampler, const float* in, long inFrames, float* out,
                 long outFrames, double ratio, long& used, long& generated);
