// music_contract.h - what the demo's music code and its music library agree
// on: the library's name, its entry points' names and signatures, the values
// their arguments take, and the music's design, its ending included.
//
// The music code (host/music.cpp) loads the library at run time and looks
// the entry points up by these names, so the declarations below are the
// whole contract. It is implemented by libdemobass (audio/demobass.h says
// how it plays files), by the page's Web Audio version (web/web_music.h)
// and by the tests' fake; the capture tool's offline soundtrack and the
// fuzzers link libdemobass and call it directly. A signature that differs
// from these fails to compile wherever it is implemented.
//
// Calls come from one thread. BOOL results are 1 for success and 0 for
// failure; a handle of 0 is a failure.
#pragma once

#include <cstdint>

// A library that implements the entry points is built with
// DEMO_MUSIC_LIBRARY defined, which exports them; the rest only names them.
#if defined(DEMO_MUSIC_LIBRARY) && defined(_WIN32)
#define DEMO_MUSIC_ENTRY extern "C" __declspec(dllexport)
#elif defined(DEMO_MUSIC_LIBRARY)
#define DEMO_MUSIC_ENTRY extern "C" __attribute__((visibility("default")))
#else
#define DEMO_MUSIC_ENTRY extern "C"
#endif

// The name the music code loads its library by. Every platform's
// LoadLibraryA loads this project's own library for it (its file name is
// the platform's), never a library of that name.
constexpr const char* kMusicLibraryName = "BASS.DLL";

// ---- The argument values -------------------------------------------------

constexpr int32_t kMusicDefaultDevice = -1;   // BASS_Init's device: the system's default
constexpr int32_t kMusicFlushBeforePlay = 1;  // BASS_StreamPlay's flush
// BASS_StreamPlay flag: restart the stream from its beginning, without a
// gap, whenever it ends.
constexpr uint32_t kMusicLoop = 4;
// "Leave this attribute as it is" values of BASS_ChannelSlideAttributes.
constexpr int32_t kMusicKeepFrequency = -1;
constexpr int32_t kMusicKeepVolume = -1;
constexpr int32_t kMusicKeepPan = -101;

// ---- The seven entry points the demo needs -------------------------------

// Opens the default output device (`device` -1 or 1) at `frequency` Hz
// (8000..192000), 16-bit stereo, paused until BASS_Start. `flags` and
// `window` are accepted and ignored. Fails when already initialised, when
// the arguments are out of range or when there is no working audio device.
DEMO_MUSIC_ENTRY int32_t BASS_Init(int32_t device, uint32_t frequency, uint32_t flags,
                                   void* window);

// Opens the file `file` (a path; `fromMemory` must be 0, `offset` and
// `length` 0) as a stream and returns its channel handle, 1 for the first
// stream after BASS_Init. A file that cannot be decoded is refused with 0.
DEMO_MUSIC_ENTRY uint32_t BASS_StreamCreateFile(int32_t fromMemory, const void* file,
                                                uint32_t offset, uint32_t length, uint32_t flags);

// Starts (unpauses) the output. Fails when not initialised.
DEMO_MUSIC_ENTRY int32_t BASS_Start();

// Starts `stream` playing; with kMusicLoop in `flags` it loops. Every
// stream starts at its beginning the first time it is played.
DEMO_MUSIC_ENTRY int32_t BASS_StreamPlay(uint32_t stream, int32_t flush, uint32_t flags);

// Slides the channel's playback frequency (Hz, 100..200000, the file's own
// rate at the start), volume (0..100, 100 at the start) and pan (-100 left
// .. 100 right, 0 at the start) from their current values to the given
// ones, linearly over `milliseconds` of output; 0 ms sets them at once. A
// keep value leaves that attribute, and any slide of it in progress, alone.
// Values out of range are clamped. Fails for an unknown channel.
DEMO_MUSIC_ENTRY int32_t BASS_ChannelSlideAttributes(uint32_t channel, int32_t frequency,
                                                     int32_t volume, int32_t pan,
                                                     uint32_t milliseconds);

// Nonzero while a slide of `channel` is in progress; 0 for an unknown one.
DEMO_MUSIC_ENTRY uint32_t BASS_ChannelIsSliding(uint32_t channel);

// Closes the output and frees every stream. Fails when not initialised.
DEMO_MUSIC_ENTRY int32_t BASS_Free();

// ---- The position pair ---------------------------------------------------
// For a host whose picture follows the music. Used only when a library has
// both; without them the music plays as the seven alone allow and the
// monotonic clock paces the picture.

// Seconds of `channel`'s stream being heard now, from the stream's start,
// loops counted (it grows past the file's length as the stream loops).
// Never less than the last value told, but after a move. Negative for an
// unknown channel.
DEMO_MUSIC_ENTRY double DemoBass_ChannelGetPosition(uint32_t channel);

// Moves `channel`'s stream so that `seconds` (the same measure, 0 to 10^7)
// is heard next, with a short crossfade (about 30 ms in all) so that the
// jump does not click; a position past a looping file's end falls where the
// loop puts it. Fails for an unknown channel or a position out of range.
DEMO_MUSIC_ENTRY int32_t DemoBass_ChannelSetPosition(uint32_t channel, double seconds);

// ---- The music's design --------------------------------------------------
// Kept alike by everything that plays it: the demo, the page and the
// capture tool's videos.

constexpr const char* kMusicFile = "data.dat";  // from the working folder
constexpr uint32_t kMusicOutputRate = 44100;    // Hz
constexpr uint32_t kMusicStreamFlags = 0x40000;
// The end's slides address channel 1, which the library gives to the first
// stream it opens; the demo opens only this one.
constexpr uint32_t kMusicChannel = 1;

// The ending, when the script is over or the viewer quits: the playback
// frequency slides to 1000 Hz over 500 ms (the tune drops in pitch and
// tempo), and 300 ms after that slide starts the volume slides to silence
// over 200 ms, so both end together.
struct MusicEnding {
  int32_t slowDownFrequency;  // Hz
  uint32_t slowDownMs;
  uint32_t fadeDelayMs;  // from the slow-down's start
  uint32_t fadeMs;
};
constexpr MusicEnding kMusicEnding = {1000, 500, 300, 200};
static_assert(kMusicEnding.fadeDelayMs + kMusicEnding.fadeMs == kMusicEnding.slowDownMs);
