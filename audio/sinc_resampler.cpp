// sinc_resampler.cpp - windowed-sinc resampling (see sinc_resampler.h).
//
// The resampler keeps the input it has taken in a history. The next output
// frame lies at `position` on the history's frame timeline; it is the sum
// of the history's frames around it, each weighted by the kernel at its
// distance. Below a ratio of 1 the kernel is stretched by 1/ratio (more
// taps, a lower cut-off); above it stays at the input's Nyquist frequency.
#include "audio/sinc_resampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr int kZeroCrossings = 16;   // each side: the kernel spans 32 input frames at ratio 1
constexpr int kTableSteps = 512;     // kernel points per zero crossing
constexpr double kKaiserBeta = 9.0;  // about 90 dB stop band
// Cut-off a little below Nyquist, so the transition band falls under it.
constexpr double kCutoff = 0.92;
constexpr int kMaxHalfWidth = static_cast<int>(kZeroCrossings * 256 / kCutoff) + 2;
constexpr int kHistoryFrames = 4 * kMaxHalfWidth;

using Kernel = std::array<float, kZeroCrossings * kTableSteps + 2>;

double besselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

// The kernel's right half at 0, 1/kTableSteps, ... zero crossings.
const Kernel& kernel() {
  static const Kernel table = [] {
    Kernel k{};
    const double pi = std::acos(-1.0);
    for (size_t i = 0; i < k.size(); ++i) {
      const double x = static_cast<double>(i) / kTableSteps;
      const double sinc = i == 0 ? 1.0 : std::sin(pi * x) / (pi * x);
      const double edge = x / kZeroCrossings;
      const double window =
          edge >= 1 ? 0.0
                    : besselI0(kKaiserBeta * std::sqrt(1 - edge * edge)) / besselI0(kKaiserBeta);
      k[i] = static_cast<float>(sinc * window);
    }
    return k;
  }();
  return table;
}

// The kernel at `x` zero crossings from its centre, 0 beyond its ends.
float kernelAt(const Kernel& k, double x) {
  x = std::fabs(x) * kTableSteps;
  const size_t index = static_cast<size_t>(x);
  if (index + 1 >= k.size()) return 0.0f;
  const float fraction = static_cast<float>(x - static_cast<double>(index));
  return k[index] + (k[index + 1] - k[index]) * fraction;
}

}  // namespace

struct SincResampler {
  float history[kHistoryFrames * 2];  // stereo frames
  long frames;                        // held in history
  double position;                    // of the next output frame, in history frames
};

void sincReset(SincResampler* resampler) {
  // Silence before the first frame, as much as the narrowest kernel reaches
  // back: the first output frame is the first input frame's moment.
  std::memset(resampler->history, 0, sizeof resampler->history);
  resampler->frames = kZeroCrossings;
  resampler->position = kZeroCrossings;
}

SincResampler* sincNew() {
  auto* resampler = new (std::nothrow) SincResampler;
  if (resampler == nullptr) return nullptr;
  sincReset(resampler);
  kernel();  // the table now, not in the first call from the output thread
  return resampler;
}

void sincDelete(SincResampler* resampler) { delete resampler; }

void sincProcess(SincResampler* r, const float* in, long inFrames, float* out, long outFrames,
                 double ratio, long& used, long& generated) {
  ratio = std::clamp(ratio, kSincMinRatio, kSincMaxRatio);
  const double scale = std::min(1.0, ratio) * kCutoff;  // cut-off, in input Nyquists
  const int half = static_cast<int>(std::ceil(kZeroCrossings / scale));
  const double step = 1.0 / ratio;
  const Kernel& k = kernel();
  used = generated = 0;
  for (;;) {
    while (generated < outFrames && r->position + half < r->frames) {
      const long centre = static_cast<long>(r->position);
      double left = 0, right = 0;
      for (long i = std::max(0L, centre - half + 1); i <= centre + half; ++i) {
        const double weight = kernelAt(k, (r->position - static_cast<double>(i)) * scale);
        left += r->history[i * 2] * weight;
        right += r->history[i * 2 + 1] * weight;
      }
      out[generated * 2] = static_cast<float>(left * scale);
      out[generated * 2 + 1] = static_cast<float>(right * scale);
      ++generated;
      r->position += step;
    }
    if (generated == outFrames) return;
    // Drop what no later output frame reaches, then take more input.
    const long drop = std::min(r->frames, static_cast<long>(r->position) - half);
    if (drop > 0) {
      std::memmove(r->history, r->history + drop * 2, (r->frames - drop) * 2 * sizeof(float));
      r->frames -= drop;
      r->position -= static_cast<double>(drop);
    }
    const long take = std::min(inFrames - used, kHistoryFrames - r->frames);
    if (take <= 0) return;
    std::memcpy(r->history + r->frames * 2, in + used * 2, take * 2 * sizeof(float));
    r->frames += take;
    used += take;
  }
}
