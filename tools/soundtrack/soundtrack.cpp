// soundtrack - renders the demo's tune (score.h) and writes it as an Ogg
// Vorbis file, the demo's "data.dat".
//
// Usage: soundtrack OUTPUT_FILE
//
// Everything is synthesised here: drums from sine sweeps and noise, a
// filtered saw bass, a pulse arpeggio with a ping-pong echo, a soft saw pad
// and a detuned saw lead. The mix is rendered into one loop-long buffer with
// wrap-around, so the tails of the last bar (echoes included) sound over the
// first and the file loops without a seam. The result is normalised below
// full scale so that neither the mix nor the lossy encoding clips. The noise
// is seeded, so every build writes the same tune. Takes about a second.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "score.h"

namespace {

using score::kSampleRate;

constexpr double kPi = 3.14159265358979323846;
constexpr int kLoop = score::kLoopSamples;
constexpr double kPeakTarget = 0.85;       // leaves headroom for the encoder
constexpr double kVorbisQuality = 0.0;     // libsndfile's 0..1 scale
constexpr int kEchoSteps = 3;               // dotted-eighth ping-pong echo
constexpr double kEchoFeedback = 0.45;

struct Stereo {
  std::vector<float> left = std::vector<float>(kLoop), right = std::vector<float>(kLoop);
  void add(int64_t at, double l, double r) {
    int64_t i = at % kLoop;
    left[i] += static_cast<float>(l);
    right[i] += static_cast<float>(r);
  }
};

double noteHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }
int64_t stepStart(int bar, int step) {
  return (static_cast<int64_t>(bar) * score::kStepsPerBar + step) * score::kSamplesPerStep;
}

uint32_t noiseState = 0x9e3779b9u;
double noise() {  // xorshift32, -1..1
  noiseState ^= noiseState << 13;
  noiseState ^= noiseState >> 17;
  noiseState ^= noiseState << 5;
  return noiseState / 2147483648.0 - 1.0;
}

// Band-limited correction for the saw's and pulse's jumps (PolyBLEP), so
// high notes do not alias into a fizz.
double polyBlep(double phase, double increment) {
  if (phase < increment) {
    double t = phase / increment;
    return t + t - t * t - 1.0;
  }
  if (phase > 1.0 - increment) {
    double t = (phase - 1.0) / increment;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}
double saw(double phase, double increment) { return 2.0 * phase - 1.0 - polyBlep(phase, increment); }
double pulse(double phase, double increment, double width) {
  double shifted = std::fmod(phase + 1.0 - width, 1.0);
  return (phase < width ? 1.0 : -1.0) + polyBlep(phase, increment) - polyBlep(shifted, increment);
}

// State-variable low-pass (trapezoidal), stable at any cutoff below Nyquist.
struct LowPass {
  double ic1 = 0, ic2 = 0;
  double run(double in, double cutoffHz, double resonance) {
    double g = std::tan(kPi * std::min(cutoffHz, kSampleRate * 0.45) / kSampleRate);
    double k = 2.0 - 2.0 * resonance;
    double a1 = 1.0 / (1.0 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    double v3 = in - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    return v2;
  }
};

// Attack-decay-sustain-release level at `t` seconds into a note held for
// `held` seconds.
double adsr(double t, double held, double attack, double decay, double sustain, double release) {
  auto level = [&](double u) {
    if (u < attack) return u / attack;
    return sustain + (1.0 - sustain) * std::exp(-(u - attack) / decay);
  };
  if (t < held) return level(t);
  return level(held) * std::exp(-(t - held) / release);
}

// ---- drums ----------------------------------------------------------------

void kick(Stereo& out, int64_t at, double gain) {
  double phase = 0;
  for (int i = 0; i < kSampleRate * 0.45; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double hz = 45.0 + 110.0 * std::exp(-t / 0.035);
    phase += hz / kSampleRate;
    double body = std::sin(2 * kPi * phase) * std::exp(-t / 0.16);
    double click = noise() * std::exp(-t / 0.002) * 0.3;
    double v = std::tanh(1.6 * (body + click)) * gain;
    out.add(at + i, v, v);
  }
}

void snare(Stereo& out, int64_t at, double gain) {
  LowPass tone;
  double previous = 0;
  for (int i = 0; i < kSampleRate * 0.25; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double n = noise();
    double bright = n - previous;  // first difference: a cheap high-pass
    previous = n;
    double body = std::sin(2 * kPi * 185.0 * t) * std::exp(-t / 0.03);
    double rattle = tone.run(bright, 7000, 0.1) * std::exp(-t / 0.07);
    double v = (0.6 * body + 0.8 * rattle) * gain;
    out.add(at + i, v * 0.95, v);
  }
}

void hat(Stereo& out, int64_t at, double gain, double decay) {
  double previous = 0;
  for (int i = 0; i < kSampleRate * decay * 6; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double n = noise();
    double v = (n - previous) * std::exp(-t / decay) * gain;
    previous = n;
    out.add(at + i, v * 0.8, v);  // a little right of centre
  }
}

void drumsForBar(Stereo& out, int bar) {
  score::Arrangement arrangement = score::arrangementOf(bar);
  for (int step = 0; step < score::kStepsPerBar; ++step) {
    int64_t at = stepStart(bar, step);
    if (step % 4 == 0) kick(out, at, 0.9);
    if (step % 4 == 2) hat(out, at, 0.22, 0.045);            // open-ish off-beat
    else hat(out, at, step % 2 ? 0.07 : 0.1, 0.012);          // closed sixteenths
    bool backbeat = step == 4 || step == 12;
    if (arrangement.snare && backbeat) snare(out, at, 0.55);
    if (arrangement.fill && step >= 8 && !backbeat) snare(out, at, 0.12 + 0.03 * (step - 8));
  }
}

// ---- pitched parts --------------------------------------------------------

void bassNote(Stereo& out, int64_t at, int pitch, int steps) {
  LowPass filter;
  double phase = 0, increment = noteHz(pitch) / kSampleRate;
  double held = steps * score::kSamplesPerStep / static_cast<double>(kSampleRate) * 0.8;
  for (int i = 0; i < kSampleRate * (held + 0.08); ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double env = adsr(t, held, 0.003, 0.12, 0.6, 0.02);
    double cutoff = 180.0 + 1600.0 * std::exp(-t / 0.06);
    double v = filter.run(saw(phase, increment), cutoff, 0.55) * env * 0.42;
    phase = std::fmod(phase + increment, 1.0);
    out.add(at + i, v, v);
  }
}

void arpNote(Stereo& dry, Stereo& send, int64_t at, int pitch, double pan) {
  double phase = 0, increment = noteHz(pitch) / kSampleRate;
  LowPass filter;
  for (int i = 0; i < kSampleRate * 0.2; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double v = filter.run(pulse(phase, increment, 0.3), 3200, 0.2) * std::exp(-t / 0.05) * 0.16;
    phase = std::fmod(phase + increment, 1.0);
    dry.add(at + i, v * (1 - pan), v * (1 + pan));
    send.add(at + i, v * 0.5, v * 0.5);
  }
}

void padChord(Stereo& out, int bar, const score::Chord& chord) {
  int64_t at = stepStart(bar, 0);
  double held = score::kStepsPerBar * score::kSamplesPerStep / static_cast<double>(kSampleRate);
  for (int voice = 0; voice < 3; ++voice) {
    for (double detune : {-0.08, 0.08}) {
      LowPass filter;
      double phase = voice * 0.31 + 0.2 + detune, increment = noteHz(chord.voicing[voice] + detune) / kSampleRate;
      double pan = detune * 4;  // the two detuned copies sit left and right
      for (int i = 0; i < kSampleRate * (held + 0.3); ++i) {
        double t = static_cast<double>(i) / kSampleRate;
        double env = adsr(t, held, 0.25, 0.8, 0.7, 0.25);
        double v = filter.run(saw(std::fmod(phase, 1.0), increment), 1400, 0.0) * env * 0.045;
        phase += increment;
        out.add(at + i, v * (1 - pan), v * (1 + pan));
      }
    }
  }
}

void leadNote(Stereo& dry, Stereo& send, int64_t at, int pitch, int steps) {
  double held = steps * score::kSamplesPerStep / static_cast<double>(kSampleRate) * 0.9;
  double phases[3] = {0.0, 0.33, 0.66};
  const double detune[3] = {-0.1, 0.0, 0.1};
  LowPass filter;
  for (int i = 0; i < kSampleRate * (held + 0.25); ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    // Vibrato fades in, as a player would add it to a held note.
    double vibrato = 0.18 * std::min(1.0, std::max(0.0, (t - 0.15) / 0.3)) * std::sin(2 * kPi * 5.5 * t);
    double v = 0;
    for (int osc = 0; osc < 3; ++osc) {
      double increment = noteHz(pitch + detune[osc] + vibrato) / kSampleRate;
      v += saw(phases[osc], increment);
      phases[osc] = std::fmod(phases[osc] + increment, 1.0);
    }
    double env = adsr(t, held, 0.01, 0.3, 0.75, 0.12);
    v = filter.run(v / 3, 900 + 2600 * env, 0.15) * env * 0.2;
    dry.add(at + i, v, v);
    send.add(at + i, v * 0.45, v * 0.45);
  }
}

template <typename Notes>
void playPhrase(Stereo& dry, Stereo& send, int firstBar, const Notes& notes) {
  for (const score::Note& note : notes) {
    leadNote(dry, send, stepStart(firstBar, 0) + int64_t{note.step} * score::kSamplesPerStep,
             note.pitch, note.length);
  }
}

void lead(Stereo& dry, Stereo& send) {
  for (int first : {8, 24}) {  // verses: the phrase twice, first and second ending
    playPhrase(dry, send, first, score::kVerseMelody);
    playPhrase(dry, send, first, score::kVerseEndingFirst);
    playPhrase(dry, send, first + 4, score::kVerseMelody);
    playPhrase(dry, send, first + 4, score::kVerseEndingSecond);
  }
  playPhrase(dry, send, 16, score::kBridgeMelody);
  playPhrase(dry, send, 20, score::kBridgeMelody);
}

// The echo runs twice round the loop and keeps only the second lap, so what
// it hears at the start includes the echoes of the end.
void pingPongEcho(const Stereo& send, Stereo& out) {
  const int delay = kEchoSteps * score::kSamplesPerStep;
  std::vector<float> left(delay), right(delay);
  for (int64_t i = 0; i < 2 * int64_t{kLoop}; ++i) {
    int64_t at = i % kLoop;
    int tap = static_cast<int>(i % delay);
    double fromLeft = left[tap], fromRight = right[tap];
    left[tap] = static_cast<float>(send.left[at] + fromRight * kEchoFeedback);
    right[tap] = static_cast<float>(fromLeft * kEchoFeedback);
    if (i >= kLoop) out.add(at, fromLeft * 0.8, fromRight * 0.8);
  }
}

// Pad and arpeggio dip under each kick, the pumping of a club mix.
double duckGain(int64_t at) {
  int64_t sinceKick = at % (4 * score::kSamplesPerStep);
  return 1.0 - 0.45 * std::exp(-static_cast<double>(sinceKick) / (0.09 * kSampleRate));
}

Stereo render() {
  Stereo mix, ducked, send;
  for (int bar = 0; bar < score::kBars; ++bar) {
    const score::Chord& chord = score::kChords[bar];
    drumsForBar(mix, bar);
    for (size_t n = 0; n < score::kBassSteps.size(); ++n) {
      bassNote(mix, stepStart(bar, score::kBassSteps[n]), chord.bassRoot + score::kBassOctave[n], 2);
    }
    for (int step = 0; step < score::kStepsPerBar; ++step) {
      int index = score::kArpPattern[step];
      int pitch = chord.voicing[index % 3] + 12 * (index / 3) + 12;
      arpNote(ducked, send, stepStart(bar, step), pitch, step % 2 ? 0.35 : -0.35);
    }
    padChord(ducked, bar, chord);
  }
  lead(mix, send);
  pingPongEcho(send, mix);
  for (int64_t i = 0; i < kLoop; ++i) {
    double gain = duckGain(i);
    mix.left[i] += static_cast<float>(ducked.left[i] * gain);
    mix.right[i] += static_cast<float>(ducked.right[i] * gain);
  }
  return mix;
}

// A 10 Hz high-pass takes out the offset the asymmetric drum shapes leave.
// Like the echo it runs twice round the loop, so the start matches the end.
void removeOffset(std::vector<float>& channel) {
  const double pole = std::exp(-2 * kPi * 10.0 / kSampleRate);
  double previousIn = 0, previousOut = 0;
  for (int64_t i = 0; i < 2 * int64_t{kLoop}; ++i) {
    double in = channel[i % kLoop];
    double out = in - previousIn + pole * previousOut;
    previousIn = in;
    previousOut = out;
    if (i >= kLoop) channel[i - kLoop] = static_cast<float>(out);
  }
}

void normalise(Stereo& mix) {
  float peak = 0;
  for (int64_t i = 0; i < kLoop; ++i) peak = std::max({peak, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
  double scale = peak > 0 ? kPeakTarget / peak : 1.0;
  for (int64_t i = 0; i < kLoop; ++i) {
    mix.left[i] = static_cast<float>(mix.left[i] * scale);
    mix.right[i] = static_cast<float>(mix.right[i] * scale);
  }
}

bool writeOgg(const Stereo& mix, const char* path) {
  SF_INFO info{};
  info.samplerate = kSampleRate;
  info.channels = 2;
  info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  SNDFILE* file = sf_open(path, SFM_WRITE, &info);
  if (!file) {
    fprintf(stderr, "soundtrack: cannot write %s: %s\n", path, sf_strerror(nullptr));
    return false;
  }
  double quality = kVorbisQuality;
  sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
  std::vector<float> interleaved(2 * static_cast<size_t>(kLoop));
  for (int64_t i = 0; i < kLoop; ++i) {
    interleaved[2 * i] = mix.left[i];
    interleaved[2 * i + 1] = mix.right[i];
  }
  // In modest blocks: the Vorbis encoder overflows its stack when handed
  // the whole minute in one call.
  constexpr int64_t kBlock = 4096;
  bool complete = true;
  for (int64_t at = 0; at < kLoop && complete; at += kBlock) {
    sf_count_t frames = std::min(kBlock, kLoop - at);
    complete = sf_writef_float(file, interleaved.data() + 2 * at, frames) == frames;
  }
  if (!complete) fprintf(stderr, "soundtrack: writing %s failed: %s\n", path, sf_strerror(file));
  return sf_close(file) == 0 && complete;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: soundtrack OUTPUT_FILE\n");
    return 2;
  }
  Stereo mix = render();
  removeOffset(mix.left);
  removeOffset(mix.right);
  normalise(mix);
  if (!writeOgg(mix, argv[1])) {
    remove(argv[1]);  // a half-written file must not pass for the music
    return 1;
  }
  return 0;
}
