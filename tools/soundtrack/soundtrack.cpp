// soundtrack - renders the demo's soundtrack (score.h) and writes it as an
// Ogg Vorbis file, the demo's "data.dat".
//
// Usage: soundtrack OUTPUT_FILE
//
// Everything is synthesised here: drums from sine sweeps and filtered noise,
// a filtered saw bass and a sine sub bass, a detuned saw pad, pulse plucks,
// a detuned saw lead, an FM bell and a pulse lead for the new member, with a
// ping-pong echo and a reverb. The piece is rendered into one loop-long
// buffer with wrap-around, and the echo and reverb run on from the end into
// the start, so the file loops without a seam. master.cpp then brings it to
// streaming loudness under a true-peak ceiling and encodes it. The noise is
// seeded, so every build writes the same bytes. Takes a few seconds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "master.h"
#include "score.h"

namespace {

using score::kSampleRate;
using score::Part;

constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kPiece = score::kPieceSamples;
constexpr double kTargetLufs = -14.0;   // what streaming services play music at
constexpr double kCeilingDb = -2.2;     // leaves room for the encoder's own overshoot
constexpr float kVorbisQuality = 0.4f;  // about 120 kbit/s, 1.7 MB: clean highs
constexpr double kEchoFeedback = 0.4;
constexpr double kDuckDepth = 0.4;  // pad and plucks dip under each kick
constexpr double kDuckSeconds = 0.1;

// ---- buffers ----------------------------------------------------------------

struct Bus {
  std::vector<float> left = std::vector<float>(kPiece), right = std::vector<float>(kPiece);
  void add(int64_t at, double l, double r) {
    size_t i = static_cast<size_t>(at % kPiece);
    left[i] += static_cast<float>(l);
    right[i] += static_cast<float>(r);
  }
};

// What the parts write into: the dry mix, the parts that duck under the kick,
// and the sends to the echo and the reverb. The duck track holds the gain of
// the ducked bus at every sample.
Bus dry, ducked, echoSend, reverbSend;
std::vector<float> duck(kPiece, 1.0f);

// Where a part's sound goes, and how loud: `pan` -1 (left) .. 1 (right).
struct Route {
  Bus* bus;
  double pan, echo, reverb;
};

void emit(const Route& route, int64_t at, double v) {
  route.bus->add(at, v * (1 - route.pan), v * (1 + route.pan));
  if (route.echo > 0) echoSend.add(at, v * route.echo, v * route.echo);
  if (route.reverb > 0) reverbSend.add(at, v * route.reverb, v * route.reverb);
}

// ---- sound sources ----------------------------------------------------------

uint32_t noiseState = 0x9e3779b9u;
double noise() {  // xorshift32, -1..1
  noiseState ^= noiseState << 13;
  noiseState ^= noiseState >> 17;
  noiseState ^= noiseState << 5;
  return noiseState / 2147483648.0 - 1.0;
}

// sin(2 pi phase) for a phase in [0, 1), from a table: the bell and the bass
// need millions of them, and the table's error is below -130 dB.
constexpr int kSineTable = 4096;
double sine(double phase) {
  static const std::vector<double> table = [] {
    std::vector<double> t(kSineTable + 1);
    for (int i = 0; i <= kSineTable; ++i) t[i] = std::sin(2 * kPi * i / kSineTable);
    return t;
  }();
  double at = phase * kSineTable;
  int i = static_cast<int>(at);
  return table[i] + (table[i + 1] - table[i]) * (at - i);
}
double wrapPhase(double phase) { return phase - std::floor(phase); }

double noteHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }
int64_t samples(double seconds) { return std::llround(seconds * kSampleRate); }

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
double saw(double phase, double increment) {
  return 2.0 * phase - 1.0 - polyBlep(phase, increment);
}
double pulse(double phase, double increment, double width) {
  double shifted = phase + 1.0 - width;
  shifted -= std::floor(shifted);
  return (phase < width ? 1.0 : -1.0) + polyBlep(phase, increment) - polyBlep(shifted, increment);
}
double advance(double phase, double increment) {
  phase += increment;
  return phase >= 1.0 ? phase - 1.0 : phase;
}

// State-variable filter (trapezoidal): low-, band- and high-pass at once,
// stable at any cutoff. `tune` costs a tangent, so callers sweeping the
// cutoff retune every kRetune samples.
constexpr int kRetune = 16;
struct Filter {
  double ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 2;
  double low = 0, band = 0, high = 0;
  void tune(double cutoffHz, double resonance) {  // resonance 0..0.95
    double g = std::tan(kPi * std::min(cutoffHz, kSampleRate * 0.45) / kSampleRate);
    k = 2.0 - 2.0 * resonance;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  void run(double in) {
    double v3 = in - ic2;
    band = a1 * ic1 + a2 * v3;
    low = ic2 + a2 * ic1 + a3 * v3;
    high = in - k * band - low;
    ic1 = 2.0 * band - ic1;
    ic2 = 2.0 * low - ic2;
  }
};

// Attack-decay-sustain-release, one sample at a time: a linear attack, an
// exponential fall to `sustain`, and an exponential release after `held`
// samples. Recurrences rather than exp() per sample keep the build quick.
struct Envelope {
  double level = 0, attackStep, decay, sustain, release;
  int64_t held, at = 0;
  bool rising = true;
  Envelope(double attackS, double decayS, double sustainLevel, double releaseS, int64_t heldSamples)
      : attackStep(1.0 / std::max(1.0, attackS * kSampleRate)),
        decay(std::exp(-1.0 / (decayS * kSampleRate))),
        sustain(sustainLevel),
        release(std::exp(-1.0 / (releaseS * kSampleRate))),
        held(heldSamples) {}
  double next() {
    if (at++ >= held) {
      level *= release;
    } else if (rising) {
      level += attackStep;
      if (level >= 1.0) level = 1.0, rising = false;
    } else {
      level = sustain + (level - sustain) * decay;
    }
    return level;
  }
};
// How long a note sounds: held, then its release down to -80 dB.
int64_t ringing(int64_t held, double releaseS) { return held + samples(releaseS * 9.2); }

// ---- drums: rendered once, mixed in at every hit ------------------------------

struct OneShot {
  std::vector<float> left, right;
};
OneShot kickShot, snareShot, clapShot, hatClosedShot, hatOpenShot, crashShot;

OneShot makeKick() {
  OneShot s;
  double phase = 0;
  for (int64_t i = 0; i < samples(0.5); ++i) {
    double t = double(i) / kSampleRate;
    phase += (46.0 + 120.0 * std::exp(-t / 0.03)) / kSampleRate;
    double body = std::sin(2 * kPi * phase) * std::exp(-t / 0.2) * std::min(1.0, t / 0.001);
    double click = noise() * std::exp(-t / 0.0012) * 0.3;
    float v = static_cast<float>(std::tanh(1.5 * (body + click)) / std::tanh(1.5));
    s.left.push_back(v);
    s.right.push_back(v);
  }
  return s;
}

OneShot makeSnare() {
  OneShot s;
  Filter hiss;
  hiss.tune(1800, 0.1);
  for (int64_t i = 0; i < samples(0.4); ++i) {
    double t = double(i) / kSampleRate;
    double body = (0.55 * std::sin(2 * kPi * 185 * t) + 0.3 * std::sin(2 * kPi * 330 * t)) *
                  std::exp(-t / 0.04);
    hiss.run(noise());
    double v = body + 0.7 * hiss.high * std::exp(-t / 0.1);
    s.left.push_back(static_cast<float>(v * 0.95));
    s.right.push_back(static_cast<float>(v));
  }
  return s;
}

OneShot makeClap() {
  OneShot s;
  Filter tone;
  tone.tune(1300, 0.5);
  for (int64_t i = 0; i < samples(0.4); ++i) {
    double t = double(i) / kSampleRate;
    double env = t < 0.03 ? std::exp(-std::fmod(t, 0.01) / 0.003) : std::exp(-(t - 0.03) / 0.12);
    tone.run(noise());
    double v = tone.band * env * 1.6;
    s.left.push_back(static_cast<float>(v));
    s.right.push_back(static_cast<float>(v * 0.9));
  }
  return s;
}

// Noise through two high-pass stages, a stream per channel for width.
OneShot makeMetal(double seconds, double cutoffHz, double decayS, double attackS) {
  OneShot s;
  Filter stages[2][2];
  for (auto& channel : stages)
    for (Filter& f : channel) f.tune(cutoffHz, 0.2);
  for (int64_t i = 0; i < samples(seconds); ++i) {
    double t = double(i) / kSampleRate;
    double env = std::exp(-t / decayS) * std::min(1.0, t / attackS);
    double out[2];
    for (int c = 0; c < 2; ++c) {
      stages[c][0].run(noise());
      stages[c][1].run(stages[c][0].high);
      out[c] = stages[c][1].high * env;
    }
    s.left.push_back(static_cast<float>(out[0]));
    s.right.push_back(static_cast<float>(out[1]));
  }
  return s;
}

void makeDrums() {
  kickShot = makeKick();
  snareShot = makeSnare();
  clapShot = makeClap();
  hatClosedShot = makeMetal(0.12, 7500, 0.018, 0.0005);
  hatOpenShot = makeMetal(0.6, 6500, 0.13, 0.001);
  crashShot = makeMetal(3.0, 4000, 0.8, 0.002);
}

void hit(const OneShot& shot, const Route& route, int64_t at, double gain) {
  for (size_t i = 0; i < shot.left.size(); ++i) {
    double l = shot.left[i] * gain, r = shot.right[i] * gain;
    route.bus->add(at + int64_t(i), l * (1 - route.pan), r * (1 + route.pan));
    if (route.reverb > 0) reverbSend.add(at + int64_t(i), l * route.reverb, r * route.reverb);
  }
}

// Every kick pulls the ducked bus down and lets it back over kDuckSeconds.
void duckUnder(int64_t at, double depth) {
  const int64_t attack = samples(0.004), length = samples(kDuckSeconds * 5);
  for (int64_t i = 0; i < length; ++i) {
    double shape = i < attack ? double(i) / attack
                              : std::exp(-double(i - attack) / (kDuckSeconds * kSampleRate));
    float& gain = duck[static_cast<size_t>((at + i) % kPiece)];
    gain = std::min(gain, static_cast<float>(1.0 - depth * shape));
  }
}

// Noise through a band-pass sweeping up from 300 Hz to 9 kHz, growing as it
// goes: the lift into the next section.
void riser(int64_t from, int64_t to, double levelFrom, double levelTo) {
  Filter filter;
  for (int64_t i = 0; i < to - from; ++i) {
    double u = double(i) / double(to - from);
    if (i % kRetune == 0) filter.tune(300.0 * std::pow(30.0, u), 0.6);
    filter.run(noise());
    double level = levelFrom + (levelTo - levelFrom) * u;
    double v = filter.band * level * level * 0.35;
    double pan = 0.4 * sine(wrapPhase(0.7 * double(i) / kSampleRate));  // drifting side to side
    emit(Route{&dry, pan, 0, 0.5}, from + i, v);
  }
}

// ---- pitched parts -------------------------------------------------------------

// One note: when, how long it is held, how loud, and how open its filter.
struct NoteEvent {
  int64_t at, held;
  double pitch, level, bright;
};

double brightHz(double low, double bright, double octaves) {
  return low * std::pow(2.0, octaves * bright);
}

void bassNote(const NoteEvent& n) {
  Envelope env(0.003, 0.15, 0.7, 0.03, std::max<int64_t>(n.held - samples(0.02), 1));
  Filter filter;
  const double increment = noteHz(n.pitch) / kSampleRate, base = brightHz(120, n.bright, 5);
  double phase = 0;
  const Route route{&dry, 0, 0, 0};
  for (int64_t i = 0; i < ringing(n.held, 0.03); ++i) {
    if (i % kRetune == 0)
      filter.tune(base * (1.0 + 3.0 * std::exp(-double(i) / (0.07 * kSampleRate))), 0.3);
    filter.run(saw(phase, increment) + 0.6 * sine(phase));
    phase = advance(phase, increment);
    emit(route, n.at + i, filter.low * env.next() * 0.33 * n.level);
  }
}

void subBassNote(const NoteEvent& n) {
  Envelope env(0.02, 1.0, 1.0, 0.25, n.held);
  const double increment = noteHz(n.pitch) / kSampleRate;
  double phase = 0;
  const Route route{&dry, 0, 0, 0};
  for (int64_t i = 0; i < ringing(n.held, 0.25); ++i) {
    double v = sine(phase) +
               0.15 * sine(wrapPhase(2 * phase));  // a touch of octave to carry on small speakers
    phase = advance(phase, increment);
    emit(route, n.at + i, v * env.next() * 0.32 * n.level);
  }
}

// The chord on detuned saws, one copy of each tone per side, one filter per side.
void padChord(const NoteEvent& n, const score::Chord& chord) {
  Envelope env(0.2, 1.2, 0.8, 0.4, n.held);
  Filter filter[2];
  for (Filter& f : filter) f.tune(brightHz(300, n.bright, 4), 0.1);
  double phase[2][4], increment[2][4];
  for (int side = 0; side < 2; ++side) {
    for (int t = 0; t < 4; ++t) {
      increment[side][t] = noteHz(chord.tones[t] + (side ? 0.1 : -0.1)) / kSampleRate;
      phase[side][t] = 0.13 * t + 0.37 * side;
    }
  }
  for (int64_t i = 0; i < ringing(n.held, 0.4); ++i) {
    double level = env.next() * 0.03 * n.level;
    for (int side = 0; side < 2; ++side) {
      double v = 0;
      for (int t = 0; t < 4; ++t) {
        v += saw(phase[side][t], increment[side][t]);
        phase[side][t] = advance(phase[side][t], increment[side][t]);
      }
      filter[side].run(v);
    }
    double l = filter[0].low * level, r = filter[1].low * level;
    ducked.add(n.at + i, 0.8 * l + 0.2 * r, 0.8 * r + 0.2 * l);  // wide, not split
    reverbSend.add(n.at + i, l * 0.3, r * 0.3);
  }
}

void arpNote(const NoteEvent& n, double pan) {
  Filter filter;
  const double increment = noteHz(n.pitch) / kSampleRate, base = brightHz(400, n.bright, 4);
  const double decay = std::exp(-1.0 / (0.11 * kSampleRate));
  double phase = 0, level = 0.14 * n.level;
  const Route route{&ducked, pan, 0.35, 0.2};
  for (int64_t i = 0; i < samples(0.5); ++i) {
    if (i % kRetune == 0)
      filter.tune(base * (1.0 + 2.0 * std::exp(-double(i) / (0.04 * kSampleRate))), 0.2);
    filter.run(pulse(phase, increment, 0.35));
    phase = advance(phase, increment);
    emit(route, n.at + i, filter.low * level * std::min(1.0, double(i) / 40));
    level *= decay;
  }
}

void leadNote(const NoteEvent& n) {
  Envelope env(0.008, 0.4, 0.8, 0.15, n.held);
  Filter filter;
  const double detune[3] = {-0.12, 0.0, 0.12};
  double phase[3] = {0.0, 0.33, 0.66}, increment[3] = {};
  const Route route{&dry, 0, 0.3, 0.3};
  for (int64_t i = 0; i < ringing(n.held, 0.15); ++i) {
    double e = env.next();
    if (i % kRetune == 0) {
      double t = double(i) / kSampleRate;
      // Vibrato fades in, as a player would add it to a held note.
      double vibrato = 0.15 * std::clamp((t - 0.2) / 0.3, 0.0, 1.0) * std::sin(2 * kPi * 5.5 * t);
      for (int o = 0; o < 3; ++o)
        increment[o] = noteHz(n.pitch + detune[o] + vibrato) / kSampleRate;
      filter.tune((600 + 5000 * n.bright) * (0.5 + 0.5 * e), 0.15);
    }
    double v = 0;
    for (int o = 0; o < 3; ++o) {
      v += saw(phase[o], increment[o]);
      phase[o] = advance(phase[o], increment[o]);
    }
    filter.run(v / 3);
    emit(route, n.at + i, filter.low * e * 0.16 * n.level);
  }
}

// Two-operator FM: a modulator at three times the pitch whose depth dies
// away faster than the tone, so each note strikes bright and rings round.
void bellNote(const NoteEvent& n) {
  Envelope env(0.002, 1.0, 0.0, 0.3, n.held);
  const double hz = noteHz(n.pitch), increment = hz / kSampleRate;
  const double indexDecay = std::exp(-1.0 / (0.25 * kSampleRate));
  // High notes strike softer: their upper sidebands would pass Nyquist.
  double carrier = 0, modulator = 0, index = 1.6 * std::min(1.0, 1000.0 / hz);
  const Route route{&dry, 0.25, 0.25, 0.45};
  for (int64_t i = 0; i < ringing(n.held, 0.3); ++i) {
    double v = sine(wrapPhase(carrier + (index + 0.2) * sine(modulator) / (2 * kPi)));
    carrier = advance(carrier, increment);
    modulator = advance(modulator, 3 * increment);
    index *= indexDecay;
    emit(route, n.at + i, v * env.next() * 0.17 * n.level);
  }
}

// A pulse whose width wanders, through a resonant filter that snaps shut:
// a voice none of the others has.
void newMemberNote(const NoteEvent& n) {
  Envelope env(0.004, 0.3, 0.6, 0.1, n.held);
  Filter filter;
  const double increment = noteHz(n.pitch) / kSampleRate, base = brightHz(500, n.bright, 3);
  double phase = 0;
  const Route route{&dry, -0.25, 0.35, 0.25};
  for (int64_t i = 0; i < ringing(n.held, 0.1); ++i) {
    double t = double(i) / kSampleRate;
    if (i % kRetune == 0) filter.tune(base * (1.0 + 4.0 * std::exp(-t / 0.08)), 0.55);
    filter.run(pulse(phase, increment, 0.5 + 0.3 * sine(wrapPhase(0.9 * t))));
    phase = advance(phase, increment);
    emit(route, n.at + i, filter.low * env.next() * 0.12 * n.level);
  }
}

// ---- walking the score ------------------------------------------------------------

double samplesPerStep(const score::Section& s) {
  return double(s.passes) * score::kSamplesPerPass / (s.bars * score::kStepsPerBar);
}
int64_t stepStart(const score::Section& s, int bar, int step) {
  return int64_t(s.firstPass - 1) * score::kSamplesPerPass +
         std::llround((bar * score::kStepsPerBar + step) * samplesPerStep(s));
}
double along(const score::Ramp& ramp, double u) { return ramp.from + (ramp.to - ramp.from) * u; }
// Where the section's closing break begins: no note sounds on past it.
int64_t breakStart(const score::Section& s) {
  return stepStart(s, s.bars - 1, score::kStepsPerBar - s.breakSteps);
}

void playDrum(Part part, int64_t at, double gain) {
  switch (part) {
    case Part::Kick:
      hit(kickShot, {&dry, 0, 0, 0}, at, 0.9 * gain);
      duckUnder(at, kDuckDepth * std::min(1.0, gain));
      break;
    case Part::Snare:
      hit(snareShot, {&dry, 0, 0, 0.25}, at, 0.5 * gain);
      break;
    case Part::Roll:
      hit(snareShot, {&dry, 0.1, 0, 0.3}, at, 0.35 * gain);
      break;
    case Part::Clap:
      hit(clapShot, {&dry, -0.05, 0, 0.35}, at, 0.4 * gain);
      break;
    case Part::HatClosed:
      hit(hatClosedShot, {&dry, 0.2, 0, 0}, at, 0.22 * gain);
      break;
    case Part::HatOpen:
      hit(hatOpenShot, {&dry, -0.2, 0, 0.1}, at, 0.18 * gain);
      break;
    case Part::Crash:
      hit(crashShot, {&dry, 0, 0, 0.3}, at, 0.3 * gain);
      break;
    default:
      break;
  }
}

void playPatternNote(Part part, const NoteEvent& n, const score::Chord& chord, char symbol,
                     int step) {
  NoteEvent note = n;
  switch (part) {
    case Part::Bass:
    case Part::SubBass:
      note.pitch = chord.root + (symbol == 'o' ? 12 : 0);
      part == Part::Bass ? bassNote(note) : subBassNote(note);
      break;
    case Part::Pad:
      padChord(note, chord);
      break;
    case Part::Arp:
      note.pitch = chord.tones[(symbol - '0') % 4] + 12 * ((symbol - '0') / 4);
      arpNote(note, step % 2 ? 0.35 : -0.35);
      break;
    default:
      playDrum(part, n.at, symbol == 'o' ? 0.55 * n.level : n.level);
      break;
  }
}

// A pattern layer: each symbol of the bar's pattern is a hit or a note, held
// over the '-' that follow it.
void playPattern(const score::Section& s, const score::Layer& layer) {
  const int bars = layer.toBar - layer.fromBar;
  for (int bar = layer.fromBar; bar < layer.toBar; ++bar) {
    for (int step = 0; step < score::kStepsPerBar; ++step) {
      char symbol = layer.pattern[step];
      if (symbol == '.' || symbol == '-') continue;
      int end = step + 1;
      while (end < score::kStepsPerBar && layer.pattern[end] == '-') ++end;
      double u = (bar - layer.fromBar + double(step) / score::kStepsPerBar) / bars;
      int64_t at = stepStart(s, bar, step), until = std::min(stepStart(s, bar, end), breakStart(s));
      if (at >= until) continue;
      NoteEvent n{at, until - at, 0, along(layer.level, u), along(layer.bright, u)};
      playPatternNote(layer.part, n, s.chords[bar], symbol, step);
    }
  }
}

// A phrase layer: the phrase from the layer's first bar, cut at its last.
void playPhrase(const score::Section& s, const score::Layer& layer) {
  const int steps = (layer.toBar - layer.fromBar) * score::kStepsPerBar;
  for (const score::Note& note : layer.phrase) {
    if (note.step >= steps) continue;
    double u = double(note.step) / steps;
    int64_t at = stepStart(s, layer.fromBar, note.step);
    int64_t held = std::min(stepStart(s, layer.fromBar, std::min(note.step + note.length, steps)),
                            breakStart(s)) -
                   at;
    if (held <= 0) continue;
    NoteEvent n{at, held, double(note.pitch + layer.transpose), along(layer.level, u),
                along(layer.bright, u)};
    if (layer.part == Part::Lead) leadNote(n);
    if (layer.part == Part::Bell) bellNote(n);
    if (layer.part == Part::NewMember) newMemberNote(n);
  }
}

void playSection(const score::Section& s) {
  for (const score::Layer& layer : s.layers) {
    if (layer.part == Part::Riser) {
      int64_t from = stepStart(s, layer.fromBar, 0);
      riser(from, std::min(stepStart(s, layer.toBar, 0), breakStart(s)), layer.level.from,
            layer.level.to);
    } else if (!layer.phrase.empty()) {
      playPhrase(s, layer);
    } else {
      playPattern(s, layer);
    }
  }
}

// ---- effects and mixdown -----------------------------------------------------------

// How far into the end the loop-spanning effects start, so that they are
// settled when they reach the start.
constexpr int64_t kPrime = 4 * kSampleRate;

// Echo three sixteenths of the main tempo late, bouncing left and right,
// each repeat darker.
void pingPongEcho(Bus& out) {
  const score::Section& opening = score::kSections[0];
  const int delay = static_cast<int>(3 * samplesPerStep(opening));
  std::vector<float> left(delay), right(delay);
  double dampLeft = 0, dampRight = 0;
  for (int64_t i = -kPrime; i < kPiece; ++i) {
    size_t at = static_cast<size_t>((i + kPiece) % kPiece);
    int tap = static_cast<int>((i + kPrime) % delay);
    double fromLeft = left[tap], fromRight = right[tap];
    dampLeft += 0.5 * (fromLeft - dampLeft);
    dampRight += 0.5 * (fromRight - dampRight);
    left[tap] = static_cast<float>(echoSend.left[at] + echoSend.right[at] * 0.3 +
                                   dampRight * kEchoFeedback);
    right[tap] = static_cast<float>(dampLeft * kEchoFeedback);
    if (i >= 0) {
      out.add(i, fromLeft * 0.7, fromRight * 0.7);
      reverbSend.add(i, fromLeft * 0.2, fromRight * 0.2);
    }
  }
}

// A Schroeder reverb of the well-known kind: eight damped combs in parallel,
// four all-passes in series, the right channel's delays a little longer.
struct Comb {
  std::vector<float> line;
  size_t at = 0;
  double store = 0;
  double run(double in, double feedback, double damp) {
    double out = line[at];
    store = out * (1 - damp) + store * damp;
    line[at] = static_cast<float>(in + store * feedback);
    at = (at + 1) % line.size();
    return out;
  }
};
struct Allpass {
  std::vector<float> line;
  size_t at = 0;
  double run(double in) {
    double delayed = line[at];
    line[at] = static_cast<float>(in + delayed * 0.5);
    at = (at + 1) % line.size();
    return delayed - in;
  }
};

void reverb(Bus& out) {
  constexpr int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  constexpr int kAllpasses[4] = {556, 441, 341, 225};
  constexpr int kSpread = 23;
  constexpr double kFeedback = 0.84, kDamp = 0.25, kInput = 0.015, kWet = 0.9;
  Comb combs[2][8];
  Allpass allpasses[2][4];
  for (int c = 0; c < 2; ++c) {
    for (int k = 0; k < 8; ++k) combs[c][k].line.assign(kCombs[k] + c * kSpread, 0.0f);
    for (int k = 0; k < 4; ++k) allpasses[c][k].line.assign(kAllpasses[k] + c * kSpread, 0.0f);
  }
  for (int64_t i = -kPrime; i < kPiece; ++i) {
    size_t at = static_cast<size_t>((i + kPiece) % kPiece);
    double in = (reverbSend.left[at] + reverbSend.right[at]) * kInput;
    double wet[2];
    for (int c = 0; c < 2; ++c) {
      double sum = 0;
      for (Comb& comb : combs[c]) sum += comb.run(in, kFeedback, kDamp);
      for (Allpass& allpass : allpasses[c]) sum = allpass.run(sum);
      wet[c] = sum * kWet;
    }
    if (i >= 0) out.add(i, wet[0], wet[1]);
  }
}

master::Stereo mixdown() {
  pingPongEcho(dry);
  reverb(dry);
  master::Stereo mix{std::move(dry.left), std::move(dry.right)};
  for (size_t i = 0; i < mix.left.size(); ++i) {
    mix.left[i] += ducked.left[i] * duck[i];
    mix.right[i] += ducked.right[i] * duck[i];
  }
  return mix;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: soundtrack OUTPUT_FILE\n");
    return 2;
  }
  makeDrums();
  for (const score::Section& section : score::kSections) playSection(section);
  master::Stereo mix = mixdown();
  master::removeOffset(mix, kSampleRate);
  double lufs = master::master(mix, kSampleRate, kTargetLufs, kCeilingDb);
  if (!std::isfinite(lufs)) {
    fprintf(stderr, "soundtrack: the mix is silent or its loudness cannot be measured\n");
    return 1;
  }
  return master::writeVorbis(mix, kSampleRate, kVorbisQuality, argv[1]) ? 0 : 1;
}
