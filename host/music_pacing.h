// music_pacing.h - the frame loop led by the music heard, where the music
// library can tell its position.
//
// Pass p falls due when the music heard reaches musicSecondsOfPass(sync, p)
// (host/music_sync.h): 60 passes to the second of music. When the display
// cannot keep up, the loop computes the passes that fell due meanwhile
// without presenting them and presents only the latest, so the picture keeps
// to the music and every pass is still computed in order. It presents at
// most one frame per 1/60 s of real time, like the monotonic pacer. A skip
// that moves the music moves it through the library (with its crossfade).
// Used by demoMain when musicHeardSeconds() answers; the page keeps the
// same clock rule (web/web_main.cpp).
#pragma once

#include <cstdint>

#include "host/key_script.h"
#include "platform/platform.h"

// The music's clock as the loop reads it. The library's position moves in
// steps (its buffers) and may stand still (a stalled device), so between
// two answers the clock runs on at real speed from the last one: the
// picture never freezes, and while the position is stalled the monotonic
// clock leads. Time in which the loop itself did not run (the process
// stopped, the machine frozen) is not counted: after it the clock carries on
// from where the music is.
struct MusicClock {
  double heard;      // the library's last answer, seconds of music
  int64_t heardAt;   // when it came (monotonicNs), moved on by gaps in looking
  int64_t lastLook;  // when the loop last read the clock
};

// A gap between two reads longer than this is time the loop did not run.
constexpr int64_t kMusicLookGapNs = 100'000'000;
// A position that has not moved for this long has stalled; when it moves
// again, the music is moved to the clock (which ran on) instead of the
// picture going back.
constexpr int64_t kMusicStallNs = 250'000'000;

// The clock at `now` (ns) with the music heard at `heard` seconds (>= 0).
MusicClock startMusicClock(double heard, int64_t now);

// Reads the clock at `now` given the library's answer `heard` (negative when
// it failed: the clock runs on). Returns the seconds of music the picture
// is due at. Sets `moveMusic` when the music came back from a stall behind
// the clock: the caller moves it to the returned seconds.
double readMusicClock(MusicClock& clock, double heard, int64_t now, bool& moveMusic);

// Holds the clock at `now`: the time since the last read is not counted
// (the page's music is paused while the page is hidden).
void holdMusicClock(MusicClock& clock, int64_t now);

// Notes that the music was moved by `seconds` (negative for back) at `now`.
void moveMusicClock(MusicClock& clock, double seconds, int64_t now);

// Plays the script on `screen` (never null) from the current demoState,
// with the music playing from its start and telling its position, until it
// ends or a Quit arrives. `keys`, when not null, adds a key script's inputs
// before each pass, as in the headless runs (the tests); the demo passes
// null. Returns the number of passes run.
long runMusicLedLoop(Screen* screen, const KeyScript* keys = nullptr);
