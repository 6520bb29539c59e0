// master.cpp - offset removal, loudness normalisation with a true-peak
// limiter, and the Ogg Vorbis encoding of the soundtrack (see master.h).
//
// Loudness is measured by libebur128, the reference implementation of EBU
// R128 that ffmpeg's own meter follows; the encoder is libvorbisenc, driven
// directly because libsndfile gives each Ogg stream a time-seeded serial
// number and so a different file on every build.
#include "master.h"

#include <ebur128.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>

namespace master {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLookAheadSeconds = 0.002;  // the limiter's attack
constexpr double kReleaseSeconds = 0.12;     // slow enough not to rattle the bass
constexpr int kOversampling = 4;             // for the true-peak estimate
constexpr int kHalfTaps = 6;                 // interpolation kernel: ±6 samples
constexpr int kMaxRounds = 6;                // of gain, limiter and measurement
constexpr double kLoudnessTolerance = 0.02;  // LU
constexpr long kSerial = 0x51f3d0;           // any fixed value: the file's bytes repeat

// Windowed-sinc taps that interpolate a signal at a fraction of a sample
// past `i` from samples i - kHalfTaps + 1 .. i + kHalfTaps.
using Kernel = std::array<double, 2 * kHalfTaps>;
Kernel interpolationKernel(double fraction) {
  Kernel taps;
  for (int k = -kHalfTaps + 1; k <= kHalfTaps; ++k) {
    double d = k - fraction;
    double sinc = std::sin(kPi * d) / (kPi * d);  // d is never 0: 0 < fraction < 1
    double window = 0.5 + 0.5 * std::cos(kPi * d / kHalfTaps);
    taps[k + kHalfTaps - 1] = sinc * window;
  }
  return taps;
}

// `x` with the loop's other end copied before and after it, so that the
// interpolation reads straight through.
std::vector<float> wrapped(const std::vector<float>& x) {
  std::vector<float> out(x.end() - kHalfTaps, x.end());
  out.insert(out.end(), x.begin(), x.end());
  out.insert(out.end(), x.begin(), x.begin() + kHalfTaps);
  return out;
}

// For each sample, the largest magnitude on either channel between it and
// the next, sampled at kOversampling points: an estimate of the true peak a
// reconstruction filter (or a decoder) will produce there. One tap at a time
// over the whole signal, which the compiler turns into vector arithmetic.
std::vector<float> truePeaks(const Stereo& mix) {
  const size_t n = mix.left.size();
  std::vector<float> peaks(n), between(n);
  for (size_t i = 0; i < n; ++i)
    peaks[i] = std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i]));
  for (const std::vector<float>* channel : {&mix.left, &mix.right}) {
    const std::vector<float> x = wrapped(*channel);
    for (int phase = 1; phase < kOversampling; ++phase) {
      const Kernel taps = interpolationKernel(double(phase) / kOversampling);
      std::fill(between.begin(), between.end(), 0.0f);
      for (int k = 0; k < 2 * kHalfTaps; ++k) {
        const float tap = static_cast<float>(taps[k]);
        const float* from = x.data() + 1 + k;
        for (size_t i = 0; i < n; ++i) between[i] += from[i] * tap;
      }
      for (size_t i = 0; i < n; ++i) peaks[i] = std::max(peaks[i], std::fabs(between[i]));
    }
  }
  return peaks;
}

// The limiter's gain for each sample when the mix is scaled by `gain`: the
// smallest gain needed anywhere in the next kLookAheadSeconds, released
// exponentially, then averaged over the look-ahead so that it ramps down
// before a peak rather than jumping. Because the average only takes values
// at or below what every later sample in the window needs, no estimated
// peak ends above the ceiling.
std::vector<float> limiterGain(const std::vector<float>& peaks, double gain, double ceiling,
                               int sampleRate) {
  const size_t n = peaks.size(),
               ahead = static_cast<size_t>(std::lround(kLookAheadSeconds * sampleRate));
  // The gain each sample needs, followed by the loop's first `ahead` again.
  std::vector<float> need(n + ahead);
  for (size_t i = 0; i < n + ahead; ++i) {
    need[i] = static_cast<float>(std::min(1.0, ceiling / (gain * peaks[i % n] + 1e-30)));
  }
  // The smallest need in [i, i + ahead], by a queue of rising needs whose
  // front is the window's smallest.
  std::deque<size_t> window;
  std::vector<float> held(n);
  for (size_t i = n + ahead; i-- > 0;) {
    while (!window.empty() && need[window.back()] >= need[i]) window.pop_back();
    window.push_back(i);
    while (window.front() > i + ahead) window.pop_front();
    if (i < n) held[i] = need[window.front()];
  }
  // Release: two laps, so the first samples know the last.
  const double release = 1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate));
  std::vector<float> released(n);
  double level = 1.0;
  for (int lap = 0; lap < 2; ++lap) {
    for (size_t i = 0; i < n; ++i) {
      level = std::min<double>(held[i], level + (1.0 - level) * release);
      released[i] = static_cast<float>(level);
    }
  }
  // Average over [i - ahead, i], reading the loop's end before its start.
  std::vector<float> smooth(n);
  double sum = 0;
  for (size_t i = n - ahead; i < n; ++i) sum += released[i];
  for (size_t i = 0; i < n; ++i) {
    sum += released[i];
    smooth[i] = static_cast<float>(sum / double(ahead + 1));
    sum -= released[(i + n - ahead) % n];
  }
  return smooth;
}

// Integrated loudness of `mix` scaled by `gain` and `limiter`, in LUFS.
double loudness(const Stereo& mix, double gain, const std::vector<float>& limiter, int sampleRate) {
  ebur128_state* meter = ebur128_init(2, sampleRate, EBUR128_MODE_I);
  if (!meter) return NAN;
  std::vector<float> block;
  constexpr size_t kBlock = 65536;
  for (size_t at = 0; at < mix.left.size(); at += kBlock) {
    size_t frames = std::min(kBlock, mix.left.size() - at);
    block.resize(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
      block[2 * i] = static_cast<float>(mix.left[at + i] * gain * limiter[at + i]);
      block[2 * i + 1] = static_cast<float>(mix.right[at + i] * gain * limiter[at + i]);
    }
    ebur128_add_frames_float(meter, block.data(), frames);
  }
  double lufs = NAN;
  if (ebur128_loudness_global(meter, &lufs) != EBUR128_SUCCESS) lufs = NAN;
  ebur128_destroy(&meter);
  return lufs;
}

}  // namespace

void removeOffset(Stereo& mix, int sampleRate) {
  for (std::vector<float>* channel : {&mix.left, &mix.right}) {
    const double pole = std::exp(-2 * kPi * 10.0 / sampleRate);
    const size_t n = channel->size();
    std::vector<float> out(n);
    double previousIn = 0, previousOut = 0;
    for (size_t lap = 0; lap < 2; ++lap) {  // the second lap starts settled
      for (size_t i = 0; i < n; ++i) {
        double in = (*channel)[i];
        previousOut = in - previousIn + pole * previousOut;
        previousIn = in;
        out[i] = static_cast<float>(previousOut);
      }
    }
    *channel = std::move(out);
  }
}

double master(Stereo& mix, int sampleRate, double targetLufs, double ceilingDb) {
  const std::vector<float> peaks = truePeaks(mix);
  const double ceiling = std::pow(10.0, ceilingDb / 20.0);
  std::vector<float> limiter(mix.left.size(), 1.0f);
  double gain = 1.0, reached = loudness(mix, gain, limiter, sampleRate);
  if (!std::isfinite(reached)) return NAN;
  // Limiting lowers the loudness a little, so gain and limiter settle in a
  // few rounds.
  for (int round = 0; round < kMaxRounds && std::fabs(reached - targetLufs) > kLoudnessTolerance;
       ++round) {
    gain *= std::pow(10.0, (targetLufs - reached) / 20.0);
    limiter = limiterGain(peaks, gain, ceiling, sampleRate);
    reached = loudness(mix, gain, limiter, sampleRate);
    if (!std::isfinite(reached)) return NAN;
  }
  for (size_t i = 0; i < mix.left.size(); ++i) {
    mix.left[i] = static_cast<float>(mix.left[i] * gain * limiter[i]);
    mix.right[i] = static_cast<float>(mix.right[i] * gain * limiter[i]);
  }
  return reached;
}

namespace {

bool writePage(FILE* file, const ogg_page& page) {
  return fwrite(page.header, 1, page.header_len, file) == size_t(page.header_len) &&
         fwrite(page.body, 1, page.body_len, file) == size_t(page.body_len);
}

// Hands every block the encoder has ready to the Ogg stream and writes the
// pages it fills.
bool drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, FILE* file) {
  ogg_packet packet;
  ogg_page page;
  bool ok = true;
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
      ogg_stream_packetin(&stream, &packet);
      while (ok && ogg_stream_pageout(&stream, &page)) ok = writePage(file, page);
    }
  }
  return ok;
}

bool encode(const Stereo& mix, int sampleRate, float quality, FILE* file) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, sampleRate, quality) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kSerial);

  ogg_packet header, commentHeader, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  bool ok = true;
  while (ok && ogg_stream_flush(&stream, &page))
    ok = writePage(file, page);  // audio starts on a fresh page

  constexpr size_t kBlock = 4096;
  for (size_t at = 0; ok && at < mix.left.size(); at += kBlock) {
    size_t frames = std::min(kBlock, mix.left.size() - at);
    float** buffer = vorbis_analysis_buffer(&dsp, int(frames));
    std::copy_n(mix.left.data() + at, frames, buffer[0]);
    std::copy_n(mix.right.data() + at, frames, buffer[1]);
    vorbis_analysis_wrote(&dsp, int(frames));
    ok = drain(dsp, block, stream, file);
  }
  vorbis_analysis_wrote(&dsp, 0);  // end of stream
  ok = ok && drain(dsp, block, stream, file);
  while (ok && ogg_stream_flush(&stream, &page)) ok = writePage(file, page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return ok;
}

}  // namespace

bool writeVorbis(const Stereo& mix, int sampleRate, float quality, const char* path) {
  FILE* file = fopen(path, "wb");
  if (!file) {
    perror(path);
    return false;
  }
  bool ok = encode(mix, sampleRate, quality, file);
  ok = fclose(file) == 0 && ok;
  if (!ok) {
    fprintf(stderr, "soundtrack: encoding or writing %s failed\n", path);
    remove(path);  // a half-written file must not pass for the music
  }
  return ok;
}

}  // namespace master
