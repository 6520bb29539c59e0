// score.h - the demo's soundtrack as data: its sections, where they fall on
// the demo's timeline, their chords, and which parts play what in each bar.
//
// D minor. Five sections, one per scene, each starting on the pass where its
// scene starts in a run without keys (60 passes per second, the music
// starting just before pass 1), then a two-bar coda that leads back into the
// opening for the loop. Every section is whole 4/4 bars, so the tempo follows
// from its length: 1,088 passes hold 8 bars at 105.88 BPM, and the spiral
// scene's 2,088 passes hold 16 bars at 110.34 BPM, a push the breakdown then
// takes back. The finale lifts the melody a whole tone, into E minor.
//
// Used only by soundtrack.cpp, which walks these tables. Notes are MIDI
// numbers (60 = middle C, 69 = A 440 Hz).
#pragma once

#include <array>
#include <span>

#include "scenes/render_frame.h"

namespace score {

constexpr int kSampleRate = 44100;
constexpr int kPassesPerSecond = 60;
constexpr int kSamplesPerPass = kSampleRate / kPassesPerSecond;  // 735, exact
constexpr int kStepsPerBar = 16;                                 // sixteenth notes

enum class Part {
  Kick,
  Snare,
  Clap,
  HatClosed,
  HatOpen,
  Crash,
  Roll,       // a snare fill: the snare's sound, softer, in its own layer
  Riser,      // a noise sweep up to the next section
  SubBass,    // round sine bass for the quiet sections
  Bass,       // filtered saw bass
  Pad,        // detuned saws, the chord held
  Arp,        // pulse plucks walking the chord
  Lead,       // detuned saw lead with vibrato, for the theme
  Bell,       // FM bell, the theme in the quiet sections
  NewMember,  // a pulse lead with its own colour, for the new member's scene
};

struct Chord {
  int root;                  // bass register, 31..45
  std::array<int, 4> tones;  // the pad's voicing; the arpeggio walks it
};

constexpr Chord kDm{38, {57, 62, 65, 69}};
constexpr Chord kBb{34, {58, 62, 65, 70}};
constexpr Chord kF{41, {57, 60, 65, 69}};
constexpr Chord kC{36, {55, 60, 64, 67}};
constexpr Chord kGm{43, {58, 62, 67, 70}};
constexpr Chord kD{38, {57, 62, 66, 69}};
constexpr Chord kEm{40, {59, 64, 67, 71}};
constexpr Chord kCLift{36, {60, 64, 67, 72}};  // C as the finale's VI
constexpr Chord kG{43, {59, 62, 67, 71}};
constexpr Chord kA{45, {57, 61, 64, 69}};  // the dominant that leads the loop home

struct Note {
  int step;    // start, in sixteenths from the start of the phrase
  int length;  // in sixteenths
  int pitch;
};

// The theme, four bars over Dm Bb F C; the answer ends on D over C so that
// the next phrase resolves it.
constexpr std::array<Note, 19> kTheme = {{
    {0, 3, 69},  {3, 3, 74},  {6, 2, 76},  {8, 6, 77},  {14, 2, 76},  // Dm
    {16, 3, 74}, {19, 3, 77}, {22, 2, 74}, {24, 6, 70}, {30, 2, 72},  // Bb
    {32, 3, 72}, {35, 3, 77}, {38, 2, 81}, {40, 6, 79}, {46, 2, 77},  // F
    {48, 3, 76}, {51, 3, 72}, {54, 2, 76}, {56, 8, 79},               // C
}};
constexpr std::array<Note, 19> kThemeAnswer = {{
    {0, 3, 69},  {3, 3, 74},  {6, 2, 76},  {8, 6, 77},  {14, 2, 79},  // Dm
    {16, 3, 81}, {19, 3, 77}, {22, 2, 74}, {24, 6, 70}, {30, 2, 72},  // Bb
    {32, 3, 72}, {35, 3, 77}, {38, 2, 81}, {40, 6, 84}, {46, 2, 81},  // F
    {48, 3, 79}, {51, 3, 76}, {54, 2, 72}, {56, 8, 74},               // C
}};

// The breakdown's melody, slow, over Bb F C Dm.
constexpr std::array<Note, 10> kThanks = {{
    {0, 8, 74},
    {8, 4, 77},
    {12, 4, 74},  // Bb
    {16, 12, 72},
    {28, 4, 69},  // F
    {32, 8, 67},
    {40, 4, 72},
    {44, 4, 76},  // C
    {48, 8, 74},
    {56, 8, 69},  // Dm
}};

// The new member's call, over Gm Bb C Dm; it comes back an octave up.
constexpr std::array<Note, 17> kNewMember = {{
    {0, 2, 74},
    {2, 2, 79},
    {4, 2, 82},
    {6, 4, 81},
    {10, 2, 79},
    {12, 4, 77},  // Gm
    {16, 2, 77},
    {18, 2, 74},
    {20, 4, 77},
    {24, 8, 79},  // Bb
    {32, 2, 79},
    {34, 2, 84},
    {36, 2, 82},
    {38, 4, 81},
    {42, 2, 79},  // C
    {48, 4, 77},
    {52, 12, 81},  // Dm
}};

struct Ramp {
  double from, to;  // over the layer's bars, linearly
};

// One part over a run of bars. `pattern` is one bar of sixteenths, repeated:
// '.' rest, '-' holds the note before, 'x' a hit or the chord's root, 'o' a
// soft hit or the root an octave up, '0'..'7' a chord tone (4..7 an octave
// up). Melodic parts play `phrase` instead, from the layer's first bar.
struct Layer {
  Part part;
  int fromBar, toBar;  // bars of the section, [fromBar, toBar)
  const char* pattern;
  Ramp level;                // 1 is the part's own level
  Ramp bright = {0.5, 0.5};  // filter opening, 0..1, where the part has one
  std::span<const Note> phrase = {};
  int transpose = 0;  // semitones, for the phrase
};

struct Section {
  const char* name;
  int firstPass;  // the pass its scene starts on; a coda starts where the script ends
  int passes;
  int bars;                       // 4/4 bars in `passes`: the tempo follows
  std::span<const Chord> chords;  // one per bar
  std::span<const Layer> layers;
  int breakSteps;  // sixteenths of silence before the next section's downbeat
};

constexpr const char* kFour = "x...x...x...x...";
constexpr const char* kHalf = "x.......x.......";
constexpr const char* kBackbeat = "....x.......x...";
constexpr const char* kOffbeats = "..x...x...x...x.";
constexpr const char* kSixteenths = "xoxoxoxoxoxoxoxo";
constexpr const char* kDownbeat = "x...............";
constexpr const char* kWhole = "x---------------";
constexpr const char* kOctaves = "x-o-x-o-x-o-x-o-";
constexpr const char* kEighths = "x-x-x-x-x-x-x-x-";
constexpr const char* kPulse = "x-..x-..x-o-x-..";
constexpr const char* kArpSlow = "0.2.4.6.5.4.2.1.";
constexpr const char* kArpRun = "0123456765432101";
constexpr const char* kRollHalf = "........x.x.xxxx";
constexpr const char* kRollFull = "....x.x.xxxxxxxx";

// Opening, the balloon: pad, arpeggio and the theme on the bell; the beat
// comes in half way. A roll and a sweep fill the fade to black.
constexpr std::array<Chord, 8> kOpeningChords = {kDm, kBb, kF, kC, kDm, kBb, kF, kC};
constexpr std::array<Layer, 10> kOpeningLayers = {{
    {Part::Pad, 0, 8, kWhole, {0.8, 0.7}, {0.3, 0.45}},
    {Part::Arp, 0, 8, kArpSlow, {0.7, 0.9}, {0.25, 0.5}},
    {Part::SubBass, 0, 4, kWhole, {0.6, 0.6}},
    {Part::Bell, 0, 4, nullptr, {0.8, 0.9}, {}, kTheme},
    {Part::Bell, 4, 8, nullptr, {0.8, 0.8}, {}, kThemeAnswer},
    {Part::HatClosed, 2, 8, kOffbeats, {0.4, 0.6}},
    {Part::Kick, 4, 8, kFour, {0.6, 0.7}},
    {Part::Bass, 4, 8, kPulse, {0.55, 0.65}, {0.2, 0.3}},
    {Part::Roll, 7, 8, kRollHalf, {0.2, 0.7}},
    {Part::Riser, 7, 8, nullptr, {0.0, 0.6}},
}};

// The spiral: a faster beat that builds for sixteen bars, the arpeggio and
// pad opening up, the theme on the lead in the second half.
constexpr std::array<Chord, 16> kSpiralChords = {kDm, kBb, kF, kC, kDm, kBb, kF, kC,
                                                 kDm, kBb, kF, kC, kDm, kBb, kF, kC};
constexpr std::array<Layer, 14> kSpiralLayers = {{
    {Part::Crash, 0, 1, kDownbeat, {0.8, 0.8}},
    {Part::Kick, 0, 16, kFour, {0.7, 1.0}},
    {Part::Bass, 0, 16, kOctaves, {0.6, 0.9}, {0.2, 0.6}},
    {Part::HatClosed, 0, 4, kOffbeats, {0.45, 0.55}},
    {Part::HatClosed, 4, 16, kSixteenths, {0.45, 0.8}},
    {Part::Snare, 4, 16, kBackbeat, {0.7, 1.0}},
    {Part::Arp, 0, 16, kArpRun, {0.5, 1.0}, {0.15, 0.9}},
    {Part::Pad, 8, 16, kWhole, {0.6, 1.0}, {0.3, 0.7}},
    {Part::HatOpen, 8, 16, kOffbeats, {0.5, 0.7}},
    {Part::Crash, 8, 9, kDownbeat, {0.6, 0.6}},
    {Part::Lead, 8, 12, nullptr, {0.8, 0.9}, {0.5, 0.6}, kTheme},
    {Part::Lead, 12, 16, nullptr, {0.9, 1.0}, {0.6, 0.7}, kThemeAnswer},
    {Part::Roll, 15, 16, kRollHalf, {0.3, 1.0}},
    {Part::Riser, 14, 16, nullptr, {0.0, 0.8}},
}};

// The thank-you lines: the beat drops out; pad, a round bass and the bell,
// with a soft arpeggio and a shaker joining later.
constexpr std::array<Chord, 8> kThanksChords = {kBb, kF, kC, kDm, kBb, kF, kC, kDm};
constexpr std::array<Layer, 9> kThanksLayers = {{
    {Part::Crash, 0, 1, kDownbeat, {0.35, 0.35}},
    {Part::Pad, 0, 8, kWhole, {0.6, 0.7}, {0.2, 0.35}},
    {Part::SubBass, 0, 8, kWhole, {0.45, 0.5}},
    {Part::Bell, 0, 4, nullptr, {0.7, 0.7}, {}, kThanks},
    {Part::Bell, 4, 8, nullptr, {0.7, 0.7}, {}, kThanks, 12},
    {Part::HatClosed, 2, 8, kOffbeats, {0.2, 0.3}},
    {Part::Arp, 4, 8, kArpSlow, {0.35, 0.5}, {0.2, 0.35}},
    {Part::Roll, 7, 8, kRollHalf, {0.1, 0.6}},
    {Part::Riser, 6, 8, nullptr, {0.0, 0.6}},
}};

// "More:" and the new member: the beat returns at half time, straightening
// out towards the end; the new member's own voice calls, the second time an
// octave up; the harmony climbs to D major, which lifts into the finale's E
// minor. Held back, so that the finale is a step up.
constexpr std::array<Chord, 8> kRisingChords = {kGm, kBb, kC, kDm, kGm, kBb, kC, kD};
constexpr std::array<Layer, 12> kRisingLayers = {{
    {Part::Crash, 0, 1, kDownbeat, {0.7, 0.7}},
    {Part::Crash, 4, 5, kDownbeat, {0.5, 0.5}},
    {Part::Kick, 0, 7, kHalf, {0.8, 0.85}},
    {Part::Kick, 7, 8, kFour, {0.9, 0.9}},
    {Part::Bass, 0, 8, kEighths, {0.7, 0.8}, {0.25, 0.5}},
    {Part::HatClosed, 0, 8, kSixteenths, {0.4, 0.7}},
    {Part::Pad, 0, 8, kWhole, {0.5, 0.8}, {0.25, 0.5}},
    {Part::Arp, 4, 8, kArpRun, {0.4, 0.7}, {0.3, 0.6}},
    {Part::NewMember, 0, 4, nullptr, {1.0, 1.0}, {0.5, 0.6}, kNewMember},
    {Part::NewMember, 4, 8, nullptr, {0.9, 0.9}, {0.6, 0.8}, kNewMember, 12},
    {Part::Roll, 7, 8, kRollFull, {0.3, 1.0}},
    {Part::Riser, 7, 8, nullptr, {0.0, 1.0}},
}};

// The goodbye: everything, the theme a tone higher and doubled an octave up
// in its answer.
constexpr std::array<Chord, 8> kFinaleChords = {kEm, kCLift, kG, kD, kEm, kCLift, kG, kD};
constexpr std::array<Layer, 14> kFinaleLayers = {{
    {Part::Crash, 0, 1, kDownbeat, {1.0, 1.0}},
    {Part::Crash, 4, 5, kDownbeat, {0.8, 0.8}},
    {Part::Kick, 0, 8, kFour, {1.0, 1.0}},
    {Part::Snare, 0, 8, kBackbeat, {1.0, 1.0}},
    {Part::Clap, 0, 8, kBackbeat, {0.8, 0.9}},
    {Part::HatClosed, 0, 8, kSixteenths, {0.8, 0.9}},
    {Part::HatOpen, 0, 8, kOffbeats, {0.7, 0.8}},
    {Part::Bass, 0, 8, kOctaves, {0.9, 1.0}, {0.6, 0.75}},
    {Part::Pad, 0, 8, kWhole, {1.0, 1.0}, {0.7, 0.8}},
    {Part::Arp, 0, 8, kArpRun, {0.9, 1.0}, {0.8, 0.9}},
    {Part::Lead, 0, 4, nullptr, {1.0, 1.0}, {0.7, 0.8}, kTheme, 2},
    {Part::Lead, 4, 8, nullptr, {1.0, 1.0}, {0.8, 0.9}, kThemeAnswer, 2},
    {Part::Bell, 4, 8, nullptr, {0.7, 0.7}, {}, kThemeAnswer, 14},
    {Part::Roll, 7, 8, kRollHalf, {0.2, 0.6}},
}};

// The coda: the final chord where the script ends (under the ending's
// slow-down), then the dominant, back down to the opening's level, so that
// a run that outlasts the script loops smoothly into the opening.
constexpr std::array<Chord, 2> kCodaChords = {kEm, kA};
constexpr std::array<Layer, 6> kCodaLayers = {{
    {Part::Crash, 0, 1, kDownbeat, {1.0, 1.0}},
    {Part::Kick, 0, 1, kDownbeat, {1.0, 1.0}},
    {Part::Bass, 0, 1, kWhole, {0.9, 0.9}, {0.5, 0.3}},
    {Part::SubBass, 1, 2, kWhole, {1.0, 1.0}},
    {Part::Pad, 0, 2, kWhole, {1.0, 0.9}, {0.6, 0.35}},
    {Part::Arp, 0, 2, kArpSlow, {0.8, 0.7}, {0.5, 0.25}},
}};

constexpr int kOpeningPass = sceneStartPass(0), kSpiralPass = sceneStartPass(1),
              kThanksPass = sceneStartPass(2), kRisingPass = sceneStartPass(3),
              kFinalePass = sceneStartPass(4), kScriptEndPass = sceneStartPass(kSceneCount);
constexpr int kCodaPasses =
    2 * (kSpiralPass - kOpeningPass) / 8;  // two bars at the opening's tempo

constexpr std::array<Section, 6> kSections = {{
    {"opening", kOpeningPass, kSpiralPass - kOpeningPass, 8, kOpeningChords, kOpeningLayers, 1},
    {"spiral", kSpiralPass, kThanksPass - kSpiralPass, 16, kSpiralChords, kSpiralLayers, 2},
    {"thanks", kThanksPass, kRisingPass - kThanksPass, 8, kThanksChords, kThanksLayers, 1},
    {"rising", kRisingPass, kFinalePass - kRisingPass, 8, kRisingChords, kRisingLayers, 2},
    {"finale", kFinalePass, kScriptEndPass - kFinalePass, 8, kFinaleChords, kFinaleLayers, 1},
    {"coda", kScriptEndPass, kCodaPasses, 2, kCodaChords, kCodaLayers, 0},
}};

// The whole piece, one loop: the coda's end leads into the opening.
constexpr int kPieceSamples =
    (kSections.back().firstPass + kSections.back().passes - kOpeningPass) * kSamplesPerPass;

// The score's shape, checked as it compiles: a chord for every bar, every
// layer inside its section, every pattern one bar of known symbols, and the
// sections end to end.
constexpr bool wellFormed() {
  int pass = kOpeningPass;
  for (const Section& s : kSections) {
    bool fits = s.firstPass == pass && s.chords.size() == size_t(s.bars) && s.breakSteps >= 0 &&
                s.breakSteps < kStepsPerBar;
    if (!fits) return false;
    pass += s.passes;
    for (const Layer& l : s.layers) {
      if (l.fromBar < 0 || l.fromBar >= l.toBar || l.toBar > s.bars) return false;
      if (!l.pattern) {
        if (l.phrase.empty() && l.part != Part::Riser) return false;
        continue;
      }
      int length = 0;
      for (; l.pattern[length]; ++length) {
        char c = l.pattern[length];
        bool tone = c >= '0' && c <= '7', note = tone || c == 'x' || c == 'o';
        if (!note && c != '.' && c != '-') return false;
        if (note && tone != (l.part == Part::Arp)) return false;  // only the arpeggio walks tones
      }
      if (length != kStepsPerBar) return false;
    }
  }
  return true;
}
static_assert(wellFormed(), "the score has a malformed section or layer");

}  // namespace score
