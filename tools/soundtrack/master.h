// master.h - the last stage of the soundtrack maker: the rendered mix is
// cleaned of any offset, brought to a loudness target under a true-peak
// ceiling, and encoded as Ogg Vorbis.
//
// Called once each by soundtrack.cpp's main, in this order. The mix is one
// loop: every filter here treats sample 0 as following the last sample, so
// the encoded file loops without a seam.
#pragma once

#include <vector>

namespace master {

struct Stereo {
  std::vector<float> left, right;
};

// A 10 Hz high-pass on both channels: takes out the offset that lopsided
// drum shapes leave.
void removeOffset(Stereo& mix, int sampleRate);

// Scales `mix` to `targetLufs` integrated loudness (EBU R128) with a
// look-ahead limiter holding estimated true peaks at or below `ceilingDb`
// (dBFS, negative). Returns the loudness reached, or NaN when the mix is
// silent or the loudness cannot be measured (the mix is then left as is).
double master(Stereo& mix, int sampleRate, double targetLufs, double ceilingDb);

// Writes `mix` as Ogg Vorbis at `quality` (-0.1..1). The stream's serial
// number is fixed, so equal input gives equal bytes. Returns false, after a
// one-line message on stderr and with nothing left at `path`, when it fails.
bool writeVorbis(const Stereo& mix, int sampleRate, float quality, const char* path);

}  // namespace master
