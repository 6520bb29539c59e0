// score.h - the demo tune, as data: tempo, chord progression, the
// arrangement of the parts bar by bar, and the lead melody.
//
// A minor at 125 beats per minute, 32 bars of 16 sixteenth steps (61.4 s).
// The last bar leads back into the first, so the tune loops without a seam.
// Notes are MIDI numbers (60 = middle C, 69 = A 440 Hz). Used only by
// soundtrack.cpp, which walks these tables.
#pragma once

#include <array>

namespace score {

constexpr int kSampleRate = 44100;
// 125 BPM gives a whole number of samples per step, so every note starts
// exactly on a sample and the loop length is exact.
constexpr int kSamplesPerStep = kSampleRate * 60 / (125 * 4);  // 5292
constexpr int kStepsPerBar = 16;
constexpr int kBars = 32;
constexpr int kLoopSamples = kSamplesPerStep * kStepsPerBar * kBars;

struct Chord {
  int bassRoot;                // bass register, 38..50
  std::array<int, 3> voicing;  // close triad for the pad and the arpeggio
};

constexpr Chord kAm{45, {57, 60, 64}};
constexpr Chord kF{41, {53, 57, 60}};
constexpr Chord kC{48, {55, 60, 64}};
constexpr Chord kG{43, {55, 59, 62}};
constexpr Chord kDm{50, {57, 62, 65}};
constexpr Chord kE{40, {56, 59, 64}};

// Verse: Am F C G; bridge: Dm Am F E, whose E major pulls back to A minor.
constexpr std::array<Chord, kBars> kChords = {
    kAm, kF, kC, kG, kAm, kF, kC, kG,    // bars 0-7: groove, arpeggio
    kAm, kF, kC, kG, kAm, kF, kC, kG,    // bars 8-15: snare and lead join
    kDm, kAm, kF, kE, kDm, kAm, kF, kE,  // bars 16-23: bridge
    kAm, kF, kC, kG, kAm, kF, kC, kG,    // bars 24-31: verse again, fill at the end
};

// Which parts play in each bar.
struct Arrangement {
  bool snare;
  bool lead;
  bool fill;  // snare roll in the second half of the bar
};

constexpr Arrangement arrangementOf(int bar) {
  return Arrangement{bar >= 8, bar >= 8, bar == 15 || bar == 23 || bar == 31};
}

// Bass: an octave-jumping eighth-note line; +12 marks the upper octave.
constexpr std::array<int, 8> kBassSteps = {0, 2, 4, 6, 8, 10, 12, 14};
constexpr std::array<int, 8> kBassOctave = {0, 12, 0, 12, 0, 12, 0, 12};

// Arpeggio: one note per step, an index into the triad and the triad an
// octave up (0..5).
constexpr std::array<int, 16> kArpPattern = {0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 5, 4, 3, 2};

struct Note {
  int step;    // start, in steps from the start of the phrase
  int length;  // in steps
  int pitch;   // MIDI note
};

// The verse melody, four bars (64 steps); played twice per verse with the
// second ending.
constexpr std::array<Note, 19> kVerseMelody = {{
    {0, 3, 76},  {3, 3, 74},  {6, 2, 72},  {8, 4, 69},  {12, 2, 72}, {14, 2, 74},  // Am
    {16, 3, 77}, {19, 3, 76}, {22, 2, 72}, {24, 6, 69}, {30, 2, 72},               // F
    {32, 3, 79}, {35, 3, 76}, {38, 2, 72}, {40, 4, 76}, {44, 2, 74}, {46, 2, 72},  // C
    {48, 6, 74}, {54, 2, 71},                                                      // G
}};
constexpr std::array<Note, 2> kVerseEndingFirst = {{{56, 8, 67}, {62, 2, 71}}};
constexpr std::array<Note, 3> kVerseEndingSecond = {{{56, 3, 74}, {59, 3, 79}, {62, 2, 76}}};

// The bridge melody, four bars, played twice.
constexpr std::array<Note, 16> kBridgeMelody = {{
    {0, 4, 77},  {4, 4, 81},  {8, 4, 77},  {12, 2, 76}, {14, 2, 74},  // Dm
    {16, 6, 76}, {22, 2, 72}, {24, 4, 69}, {28, 4, 72},               // Am
    {32, 4, 81}, {36, 4, 77}, {40, 4, 72}, {44, 4, 77},               // F
    {48, 4, 71}, {52, 4, 76}, {56, 8, 80},                            // E
}};

}  // namespace score
