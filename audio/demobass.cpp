// demobass.cpp - the demo's music library: file streams decoded, resampled
// and mixed into the sound device's output. The machine's part, what
// decodes, resamples and plays, is a backend (demobass_backend.h: libsndfile,
// libsamplerate and SDL on Linux; stb_vorbis, a windowed sinc and waveOut on
// Windows); the streams, rings, slides, looping and mixing are this file's,
// the same everywhere.
//
// Threads and who owns what:
//  - the caller's thread makes every API call; it creates and frees streams
//    and posts slide commands;
//  - one decoding thread per stream reads the file into a ring of stereo
//    float frames at the file's own rate, a second ahead of playback, and
//    seeks back to the start when a looping stream runs out; a file no
//    longer than the ring is held whole in memory instead and copied round;
//  - the output's thread (SDL's audio thread on Linux) runs `mixOutput`,
//    which takes the slide commands, steps the slides, resamples the ring
//    to the output rate and mixes.
// They share only atomics and data published through them (single
// producer, single consumer), so the audio callback never locks, waits or
// allocates. The resampler runs in the callback so that a frequency change
// is heard at once instead of a ring's length later.
//
// Limits: at most kMaxChannels streams at a time; files with 1..16 channels
// (the first two of a multichannel file are played) at 1 kHz..384 kHz.
//
// Exit and unloading: a program may exit, or unload the library, with the
// output open and streams playing. One object, `shutDownOnUnload`, has a
// destructor, which does BASS_Free's work: it is registered when the
// library is loaded, so it runs at dlclose, and at exit before any exit
// handler registered earlier (the host's SDL_Quit), while the audio
// callback may still be running. No other process-wide object here has a
// destructor to run under the callback. (Not atexit from the first
// BASS_Init: ThreadSanitizer takes that call over and detaches it from the
// library, so it would run at exit after an unload.) On Windows this is
// not a guarantee: a DLL's destructors run under the loader's lock, where
// joining the threads may wait forever, so a program there calls BASS_Free
// before it unloads the library or exits (the demo always does).
#include "audio/demobass.h"

#include <pthread.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <new>
#include <thread>
#include <type_traits>

#include "audio/demobass_backend.h"

namespace {

constexpr int kMaxChannels = 4;
constexpr int kOutputChannels = 2;
constexpr int kDeviceBufferFrames = 1024;  // about 23 ms at 44.1 kHz
constexpr int kSubBlockFrames = 64;        // slides step this often (1.5 ms)
constexpr int kDecodeChunkFrames = 2048;
constexpr double kRingSeconds = 1.0;  // decoded lead over playback
constexpr int kDecoderIdleMs = 3;     // decoder poll while the ring is full
constexpr const char* kDecoderThreadName = "demobass decode";  // as `top -H` shows it
constexpr int kMaxFileChannels = 16;
constexpr int kMinFileRate = 1000;
constexpr int kMaxFileRate = 384000;
constexpr int kMinOutputRate = 8000;
constexpr int kMaxOutputRate = 192000;
constexpr int kMinFrequency = 100;
constexpr int kMaxFrequency = 200000;
constexpr double kMaxRatio = 256.0;  // the resamplers' limit, either way
constexpr int kFullVolume = 100;
constexpr int kFullPan = 100;
constexpr auto kStalledSlideGrace = std::chrono::seconds(2);
constexpr int kMoveFadeMs = 15;              // a move fades out, then in, over this each: no click
constexpr double kMaxPositionSeconds = 1e7;  // a position past this is no music's

enum ChannelState : int { kFree, kReady, kPlaying, kEnded };

// Where the mixer is with a move (DemoBass_ChannelSetPosition): fading the
// old place out, waiting for the decoder to refill the ring from the new
// one, fading the new place in.
enum MoveStage : int { kSettled, kFadingOut, kAwaitingRefill, kFadingIn };

// The callback may touch nothing that could take a lock.
static_assert(std::atomic<int64_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

struct SlideCommand {
  int frequency;   // Hz, or kMusicKeepFrequency
  int volume;      // 0..100, or kMusicKeepVolume
  int pan;         // -100..100, or kMusicKeepPan
  int64_t frames;  // duration in output frames
};

// One attribute moving linearly from `from` to `to` over `total` frames.
struct Slide {
  double from = 0, to = 0;
  int64_t elapsed = 0, total = 0;
  double value() const {
    return elapsed >= total ? to : from + (to - from) * static_cast<double>(elapsed) / total;
  }
  bool running() const { return elapsed < total; }
};

struct Channel {
  std::atomic<int> state{kFree};

  // Set before the channel is published and fixed until it is freed.
  AudioFile* file = nullptr;  // null once the file is held whole
  float* held = nullptr;      // a short file's heldFrames stereo frames, or null
  int64_t heldFrames = 0;
  int fileChannels = 0;
  int fileRate = 0;
  float* ring = nullptr;  // ringFrames stereo frames
  int64_t ringFrames = 0;

  // Frame counters that only grow; the ring index is the counter modulo
  // ringFrames. The decoder writes `written`, the mixer `consumed`.
  std::atomic<int64_t> written{0};
  std::atomic<int64_t> consumed{0};
  std::atomic<bool> looping{false};
  std::atomic<bool> endOfFile{false};  // decoder found the end and will not loop
  std::atomic<bool> stopDecoder{false};
  pthread_t decoder{};
  bool decoderStarted = false;     // caller's thread only
  float* decodeScratch = nullptr;  // decoder thread only
  int64_t heldAt = 0;              // decoding side only: the next held frame to copy
  bool framesSinceRewind = true;   // offline decoding, on the caller's thread

  // Slide commands from the caller to the mixer.
  SlideCommand commands[kDemoBassSlideQueue];
  std::atomic<int> commandsPosted{0};
  std::atomic<int> commandsTaken{0};
  std::atomic<bool> sliding{false};  // set by the mixer
  // Caller's thread only: when the latest slide's time is up by the clock;
  // the last position told, and the moves it was told after, so that the
  // position never goes back between moves.
  std::chrono::steady_clock::time_point slideEnd{};
  double lastHeard = 0;
  int lastHeardMoves = 0;

  // Moves: the caller posts a target (source frames from the stream's start,
  // loops counted); the mixer fades out and hands the decoder `refillFrom`;
  // the decoder seeks there, drops what it had decoded ahead and clears it
  // (-1), saying in `refilled` whether the seek worked.
  std::atomic<int64_t> moveTarget{0};
  std::atomic<int> movesPosted{0};
  std::atomic<int64_t> refillFrom{-1};
  std::atomic<bool> refilled{false};
  int64_t fileFrames = 0;  // the file's length, when known: where a loop wraps

  // What is heard, published by the mixer after each block through a
  // sequence count (odd while it writes), for DemoBass_ChannelGetPosition.
  std::atomic<unsigned> heardSequence{0};
  std::atomic<double> heardFrame{0};  // source frame just mixed, loops counted
  std::atomic<double> heardSpeed{0};  // source frames per second while playing
  std::atomic<int64_t> heardAtNs{0};  // when, on the steady clock

  // Mixer (audio thread) only, once published.
  StreamResampler* resampler = nullptr;
  Slide frequency, volume, pan;
  int movesTaken = 0;
  MoveStage moveStage = kSettled;
  int moveFadeLeft = 0;      // output frames of the fade in progress
  int64_t refillTarget = 0;  // the move handed to the decoder
  int64_t positionBase = 0;  // source frame the last move went to (0: the start)
  double playedFrames = 0;   // source frames played out since, by the output's time
};

// Nothing here may be destroyed at exit while the audio callback and the
// decoding threads still use it (see the top of the file).
static_assert(std::is_trivially_destructible_v<Channel>);

Channel channels[kMaxChannels];
bool initialised = false;  // caller's thread only
bool offline = false;      // caller's thread only: DemoBass_Render mixes, no device, no threads
int outputRate = 44100;    // written only while the output is closed

int64_t msToFrames(uint32_t ms) { return static_cast<int64_t>(ms) * outputRate / 1000; }

void napMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---- decoder thread -------------------------------------------------------

// Copies `frames` frames of `channels` interleaved samples to `out` as
// stereo; a mono file plays on both sides.
void toStereo(const float* in, int channels, int64_t frames, float* out) {
  for (int64_t i = 0; i < frames; ++i, in += channels) {
    out[i * kOutputChannels] = in[0];
    out[i * kOutputChannels + 1] = channels > 1 ? in[1] : in[0];
  }
}

// Stores `frames` frames of `channels` interleaved samples into the ring as
// stereo, starting at ring frame counter `at`.
void storeFrames(Channel& ch, const float* in, int channels, int64_t frames, int64_t at) {
  while (frames > 0) {
    int64_t start = at % ch.ringFrames;
    int64_t run = std::min(frames, ch.ringFrames - start);
    toStereo(in, channels, run, ch.ring + start * kOutputChannels);
    in += run * channels;
    at += run;
    frames -= run;
  }
}

// Decodes up to `limit` frames into the ring; returns the frames stored, 0
// at the end of the file or on a read error.
int64_t decodeInto(Channel& ch, int64_t limit) {
  int64_t want = std::min<int64_t>(limit, kDecodeChunkFrames);
  int64_t got = audioFileRead(ch.file, ch.decodeScratch, want);
  if (got <= 0) return 0;
  int64_t at = ch.written.load(std::memory_order_relaxed);
  storeFrames(ch, ch.decodeScratch, ch.fileChannels, got, at);
  ch.written.store(at + got, std::memory_order_release);
  return got;
}

// Copies up to `limit` frames of a held file into the ring, going round to
// its start as often as it takes while the stream loops; returns the frames
// stored, 0 at the end of a stream that does not loop (or not yet).
int64_t copyHeld(Channel& ch, int64_t limit) {
  int64_t want = std::min<int64_t>(limit, kDecodeChunkFrames);
  int64_t at = ch.written.load(std::memory_order_relaxed);
  int64_t done = 0;
  while (done < want) {
    if (ch.heldAt == ch.heldFrames) {
      // Only a play call that asks for the loop sets the flag, so it may be
      // read without the state: at worst the stream is about to play.
      if (!ch.looping.load(std::memory_order_acquire)) break;
      ch.heldAt = 0;
    }
    int64_t run = std::min(want - done, ch.heldFrames - ch.heldAt);
    storeFrames(ch, ch.held + ch.heldAt * kOutputChannels, kOutputChannels, run, at + done);
    ch.heldAt += run;
    done += run;
  }
  ch.written.store(at + done, std::memory_order_release);
  return done;
}

int64_t fillFromSource(Channel& ch, int64_t limit) {
  return ch.held ? copyHeld(ch, limit) : decodeInto(ch, limit);
}

// To the source's frame `frame` (0 is its first); false when the file cannot
// seek there.
bool seekSource(Channel& ch, int64_t frame) {
  if (ch.held) {
    ch.heldAt = frame % ch.heldFrames;
    return true;
  }
  return audioFileSeek(ch.file, frame);
}

bool rewindSource(Channel& ch) { return seekSource(ch, 0); }

// A move's refill, once the mixer has faded out and stopped reading: seeks
// to where the stream's target falls in the file and drops the frames
// decoded ahead, so the ring fills from there. A seek that fails leaves the
// stream where it was.
void refillForMove(Channel& ch, bool& framesSinceRewind) {
  const int64_t target = ch.refillFrom.load(std::memory_order_acquire);
  const int64_t length = ch.held ? ch.heldFrames : ch.fileFrames;
  const bool moved = seekSource(ch, length > 0 ? target % length : target);
  if (moved) {
    ch.written.store(ch.consumed.load(std::memory_order_acquire), std::memory_order_relaxed);
    ch.endOfFile.store(false, std::memory_order_relaxed);
    framesSinceRewind = true;
  }
  ch.refilled.store(moved, std::memory_order_relaxed);
  ch.refillFrom.store(-1, std::memory_order_release);
}

// One step of a stream's decoding: tops up the ring, or rewinds a looping
// stream at its end, or marks the end. Returns false when there was nothing
// to do for now (ring full, end reached, not yet playing). `framesSinceRewind`
// keeps a file that yields nothing from rewinding forever.
bool decodeStep(Channel& ch, bool& framesSinceRewind) {
  if (ch.refillFrom.load(std::memory_order_acquire) >= 0) {
    refillForMove(ch, framesSinceRewind);
    return true;
  }
  int64_t space = ch.ringFrames - (ch.written.load(std::memory_order_relaxed) -
                                   ch.consumed.load(std::memory_order_acquire));
  if (space < kDecodeChunkFrames / 4 || ch.endOfFile.load(std::memory_order_relaxed)) return false;
  if (fillFromSource(ch, space) > 0) {
    framesSinceRewind = true;
    return true;
  }
  // The state first: the play call sets the loop flag before it makes
  // the stream play, so a playing stream's flag read after it is current.
  int state = ch.state.load(std::memory_order_acquire);
  if (!ch.looping.load(std::memory_order_acquire)) {
    // A stream that has not been played yet may still be asked to loop,
    // and then this is where the loop joins; one that plays without the
    // loop flag has ended.
    if (state != kPlaying) return false;
    ch.endOfFile.store(true, std::memory_order_release);
    return true;
  }
  if (!framesSinceRewind || !rewindSource(ch)) {
    ch.endOfFile.store(true, std::memory_order_release);
    return true;
  }
  framesSinceRewind = false;
  return true;
}

void* decoderLoop(void* channel) {
  Channel* ch = static_cast<Channel*>(channel);
  bool framesSinceRewind = true;
  while (!ch->stopDecoder.load(std::memory_order_acquire)) {
    if (!decodeStep(*ch, framesSinceRewind)) napMs(kDecoderIdleMs);
  }
  return nullptr;
}

// ---- audio thread ---------------------------------------------------------

void takeCommands(Channel& ch) {
  int taken = ch.commandsTaken.load(std::memory_order_relaxed);
  int posted = ch.commandsPosted.load(std::memory_order_acquire);
  for (; taken != posted; ++taken) {
    const SlideCommand& cmd = ch.commands[taken % kDemoBassSlideQueue];
    auto restart = [&](Slide& slide, double target) {
      slide = Slide{slide.value(), target, 0, cmd.frames};
    };
    if (cmd.frequency != kMusicKeepFrequency) restart(ch.frequency, cmd.frequency);
    if (cmd.volume != kMusicKeepVolume) restart(ch.volume, cmd.volume);
    if (cmd.pan != kMusicKeepPan) restart(ch.pan, cmd.pan);
    // Raised before the command is marked taken, so the caller never sees
    // a gap between "queued" and "sliding".
    ch.sliding.store(ch.frequency.running() || ch.volume.running() || ch.pan.running(),
                     std::memory_order_release);
    ch.commandsTaken.store(taken + 1, std::memory_order_release);
  }
}

void advanceSlides(Channel& ch, int frames) {
  for (Slide* slide : {&ch.frequency, &ch.volume, &ch.pan}) {
    slide->elapsed = std::min(slide->elapsed + frames, std::max<int64_t>(slide->total, 0));
  }
  if (!(ch.frequency.running() || ch.volume.running() || ch.pan.running())) {
    ch.sliding.store(false, std::memory_order_release);
  }
}

int moveFadeFrames() { return std::max(1, outputRate * kMoveFadeMs / 1000); }

// Steps a move: takes one the caller posted (a later one during the fade-out
// only changes the target), hands the decoder its refill once the old place
// has faded out, and fades the new place in once the ring holds it. False
// while the mixer must leave the ring alone: the decoder is refilling it.
bool stepMove(Channel& ch) {
  const int posted = ch.movesPosted.load(std::memory_order_acquire);
  if (posted != ch.movesTaken && ch.moveStage != kAwaitingRefill) {
    ch.movesTaken = posted;
    if (ch.moveStage != kFadingOut) {
      ch.moveStage = kFadingOut;
      ch.moveFadeLeft = moveFadeFrames();
    }
  }
  if (ch.moveStage == kFadingOut && ch.moveFadeLeft == 0) {
    ch.refillTarget = ch.moveTarget.load(std::memory_order_acquire);
    ch.refillFrom.store(ch.refillTarget, std::memory_order_release);
    ch.moveStage = kAwaitingRefill;
  }
  if (ch.moveStage != kAwaitingRefill) return true;
  if (ch.refillFrom.load(std::memory_order_acquire) >= 0) return false;
  if (ch.refilled.load(std::memory_order_relaxed)) {
    const int64_t ready =
        ch.written.load(std::memory_order_acquire) - ch.consumed.load(std::memory_order_relaxed);
    if (ready < kSubBlockFrames && !ch.endOfFile.load(std::memory_order_acquire)) return false;
    // What the resampler held back is the old place's.
    resamplerReset(ch.resampler);
    ch.positionBase = ch.refillTarget;
    ch.playedFrames = 0;
  }  // else the seek failed: the stream plays on where it was
  ch.moveStage = kFadingIn;
  ch.moveFadeLeft = moveFadeFrames();
  return true;
}

// The move's gain for the next output frame, stepping its fade.
double moveGain(Channel& ch) {
  const double total = moveFadeFrames();
  if (ch.moveStage == kFadingOut) {
    const double gain = ch.moveFadeLeft / total;
    if (ch.moveFadeLeft > 0) --ch.moveFadeLeft;
    return gain;
  }
  if (ch.moveStage == kFadingIn) {
    const double gain = 1.0 - ch.moveFadeLeft / total;
    if (--ch.moveFadeLeft <= 0) ch.moveStage = kSettled;
    return gain;
  }
  return 1.0;
}

// Publishes where the stream is after an output block, for
// DemoBass_ChannelGetPosition. Called on the output's thread only.
void publishHeard(Channel& ch) {
  const unsigned sequence = ch.heardSequence.load(std::memory_order_relaxed);
  ch.heardSequence.store(sequence + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  ch.heardFrame.store(static_cast<double>(ch.positionBase) + ch.playedFrames,
                      std::memory_order_relaxed);
  ch.heardSpeed.store(ch.frequency.value(), std::memory_order_relaxed);
  ch.heardAtNs.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count(),
                     std::memory_order_relaxed);
  ch.heardSequence.store(sequence + 2, std::memory_order_release);
}

// Resamples up to `frames` output frames of `ch` into `out` (stereo);
// returns how many it produced. Fewer means the ring ran dry.
int resample(Channel& ch, float* out, int frames, double ratio) {
  int produced = 0;
  while (produced < frames) {
    int64_t read = ch.consumed.load(std::memory_order_relaxed);
    int64_t available = ch.written.load(std::memory_order_acquire) - read;
    int64_t start = read % ch.ringFrames;
    int64_t contiguous = std::min(available, ch.ringFrames - start);
    long used = 0, generated = 0;
    if (!resamplerProcess(ch.resampler, ch.ring + start * kOutputChannels,
                          static_cast<long>(contiguous), out + produced * kOutputChannels,
                          frames - produced, ratio, used, generated)) {
      break;
    }
    ch.consumed.store(read + used, std::memory_order_release);
    ch.playedFrames += static_cast<double>(generated) / ratio;
    produced += static_cast<int>(generated);
    if (used == 0 && generated == 0) break;
  }
  return produced;
}

// Adds one sub-block of `ch` to `mix`, with the volume and pan ramped
// linearly across it.
void mixChannel(Channel& ch, float* mix, int frames) {
  if (!stepMove(ch)) {
    advanceSlides(ch, frames);
    return;
  }
  double volumeFrom = ch.volume.value() / kFullVolume;
  double panFrom = ch.pan.value() / kFullPan;
  advanceSlides(ch, frames);
  double volumeTo = ch.volume.value() / kFullVolume;
  double panTo = ch.pan.value() / kFullPan;
  double ratio = std::clamp(outputRate / ch.frequency.value(), 1.0 / kMaxRatio, kMaxRatio);

  float block[kSubBlockFrames * kOutputChannels];
  int produced = resample(ch, block, frames, ratio);
  if (produced < frames && ch.endOfFile.load(std::memory_order_acquire) &&
      ch.consumed.load(std::memory_order_relaxed) == ch.written.load(std::memory_order_acquire)) {
    ch.state.store(kEnded, std::memory_order_release);
  }
  for (int i = 0; i < produced; ++i) {
    double t = static_cast<double>(i + 1) / frames;
    double gain = (volumeFrom + (volumeTo - volumeFrom) * t) * moveGain(ch);
    double pan = panFrom + (panTo - panFrom) * t;
    double left = gain * std::min(1.0, 1.0 - pan);
    double right = gain * std::min(1.0, 1.0 + pan);
    mix[i * 2] += static_cast<float>(block[i * 2] * left);
    mix[i * 2 + 1] += static_cast<float>(block[i * 2 + 1] * right);
  }
}

int16_t toSample(float value) {
  if (!(value == value)) return 0;  // NaN from a broken file stays silent
  value = std::clamp(value, -1.0f, 1.0f);
  return static_cast<int16_t>(std::lround(value * 32767.0f));
}

// Mixes `frames` frames of 16-bit stereo into `out`: the output's callback,
// and the offline render's.
void mixOutput(int16_t* out, int frames) {
  for (int done = 0; done < frames; done += kSubBlockFrames) {
    int block = std::min(kSubBlockFrames, frames - done);
    float mix[kSubBlockFrames * kOutputChannels] = {};
    for (Channel& ch : channels) {
      int state = ch.state.load(std::memory_order_acquire);
      if (state == kFree) continue;
      takeCommands(ch);
      if (state == kPlaying) {
        mixChannel(ch, mix, block);
      } else {
        advanceSlides(ch, block);
      }
    }
    for (int i = 0; i < block * kOutputChannels; ++i)
      out[done * kOutputChannels + i] = toSample(mix[i]);
  }
  // Once per output block: what it holds is heard together.
  for (Channel& ch : channels) {
    if (ch.state.load(std::memory_order_acquire) == kPlaying) publishHeard(ch);
  }
}

// ---- caller's thread ------------------------------------------------------

Channel* channelOf(uint32_t handle) {
  if (!initialised || handle < 1 || handle > kMaxChannels) return nullptr;
  Channel& ch = channels[handle - 1];
  return ch.state.load(std::memory_order_acquire) == kFree ? nullptr : &ch;
}

// Releases everything a channel holds. Only with the output closed or the
// channel not yet published.
void releaseChannel(Channel& ch) {
  if (ch.decoderStarted) {
    ch.stopDecoder.store(true, std::memory_order_release);
    pthread_join(ch.decoder, nullptr);
    ch.decoderStarted = false;
  }
  if (ch.file) audioFileClose(ch.file);
  if (ch.resampler) resamplerDelete(ch.resampler);
  delete[] ch.ring;
  delete[] ch.decodeScratch;
  delete[] ch.held;
  ch.file = nullptr;
  ch.resampler = nullptr;
  ch.ring = nullptr;
  ch.decodeScratch = nullptr;
  ch.held = nullptr;
  ch.heldFrames = 0;
  ch.heldAt = 0;
  ch.written.store(0);
  ch.consumed.store(0);
  ch.looping.store(false);
  ch.endOfFile.store(false);
  ch.stopDecoder.store(false);
  ch.framesSinceRewind = true;
  ch.commandsPosted.store(0);
  ch.commandsTaken.store(0);
  ch.sliding.store(false);
  ch.moveTarget.store(0);
  ch.movesPosted.store(0);
  ch.refillFrom.store(-1);
  ch.refilled.store(false);
  ch.fileFrames = 0;
  ch.heardSequence.store(0);
  ch.heardFrame.store(0);
  ch.heardSpeed.store(0);
  ch.heardAtNs.store(0);
  ch.movesTaken = 0;
  ch.moveStage = kSettled;
  ch.moveFadeLeft = 0;
  ch.refillTarget = 0;
  ch.positionBase = 0;
  ch.playedFrames = 0;
  ch.lastHeard = 0;
  ch.lastHeardMoves = 0;
  ch.state.store(kFree, std::memory_order_release);
}

// True when the decoder's length of the file is its header's promise. An
// MP3 declares none (libsndfile estimates it from the file's size and first
// frame), and no length is found for an Ogg file that does not end in a
// whole page: one cut short, or one with bytes after its last page.
bool lengthDeclared(const AudioFileFacts& info) { return !info.lengthEstimated && info.frames > 0; }

// Decodes the start of the file into the ring, where playback begins, so
// the first second never waits on the decoding thread being scheduled. It
// is all that opening reads: a long file opens as fast as a short one. A
// file that ends within the ring, or declares no more than it holds, is
// then held whole in memory and closed: looped from the file, a loop of a
// few samples would cost a seek every few samples. False when the start is
// not playable: nothing decodes, libsndfile reports an error, or it decodes
// to fewer frames than the header declares. Damage further on is found by
// the decoder while it plays, which takes it as the file's end.
bool decodeStart(Channel& ch, const AudioFileFacts& info) {
  int64_t got = 0, more;
  while (got < ch.ringFrames && (more = decodeInto(ch, ch.ringFrames - got)) > 0) got += more;
  const bool declared = lengthDeclared(info);
  if (got == 0 || audioFileFailed(ch.file) ||
      (declared && got < std::min<int64_t>(info.frames, ch.ringFrames))) {
    return false;
  }
  if (got == ch.ringFrames && !(declared && info.frames <= ch.ringFrames)) return true;
  // The decoded start is the whole file: it becomes the held copy, and a
  // fresh ring is filled from it.
  ch.held = ch.ring;
  ch.heldFrames = got;
  ch.ring = nullptr;  // one owner of each buffer, should the allocation fail
  ch.ring = new float[ch.ringFrames * kOutputChannels];
  ch.written.store(0, std::memory_order_relaxed);
  audioFileClose(ch.file);
  ch.file = nullptr;
  while (ch.written.load(std::memory_order_relaxed) < ch.ringFrames &&
         copyHeld(ch, ch.ringFrames - ch.written.load(std::memory_order_relaxed)) > 0) {
  }
  return true;
}

// Opens and checks the file and fills the channel's fixed fields; false
// (with nothing left open) when the file is not playable audio.
bool openStream(Channel& ch, const char* path) {
  // Only regular files: opening a FIFO or a device could block forever.
  struct stat status {};
  if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  AudioFileFacts info{};
  ch.file = audioFileOpen(path, info);
  if (!ch.file) return false;
  bool usable = info.channels >= 1 && info.channels <= kMaxFileChannels &&
                info.rate >= kMinFileRate && info.rate <= kMaxFileRate;
  if (usable) {
    ch.fileChannels = info.channels;
    ch.fileRate = info.rate;
    ch.ringFrames =
        std::max<int64_t>(static_cast<int64_t>(info.rate * kRingSeconds), kDecodeChunkFrames * 2);
    ch.ring = new float[ch.ringFrames * kOutputChannels];
    ch.decodeScratch = new float[kDecodeChunkFrames * info.channels];
    ch.resampler = resamplerNew();
  }
  if (!usable || !ch.resampler || !decodeStart(ch, info)) {
    releaseChannel(ch);
    return false;
  }
  double ratio = static_cast<double>(outputRate) / ch.fileRate;
  resamplerSetRatio(ch.resampler, ratio);
  ch.fileFrames = lengthDeclared(info) ? info.frames : 0;
  ch.frequency = Slide{static_cast<double>(ch.fileRate), static_cast<double>(ch.fileRate), 0, 0};
  ch.volume = Slide{kFullVolume, kFullVolume, 0, 0};
  ch.pan = Slide{0, 0, 0, 0};
  return true;
}

// Closes the output and frees every stream, whatever state they are in;
// nothing when not initialised. BASS_Free's work, and what runs at exit or
// unloading when the program did not call it.
void shutDown() {
  if (!initialised) return;
  // The output may be closed already (by SDL_Quit, when it ran first).
  // Closing joins the output's thread: nothing reads the channels now.
  const bool open = !offline && outputIsOpen();
  if (open) outputClose();
  for (Channel& ch : channels) {
    if (ch.state.load(std::memory_order_acquire) != kFree) releaseChannel(ch);
    ch.slideEnd = {};
  }
  initialised = false;
  offline = false;
}

// See the top of the file.
struct ShutDownOnUnload {
  ~ShutDownOnUnload() { shutDown(); }
} shutDownOnUnload;

}  // namespace

int BASS_Init(int device, uint32_t frequency, uint32_t, void*) {
  if (initialised || (device != -1 && device != 1)) return 0;
  if (frequency < kMinOutputRate || frequency > kMaxOutputRate) return 0;
  outputRate = static_cast<int>(frequency);
  if (!outputOpen(outputRate, kDeviceBufferFrames, mixOutput)) return 0;
  initialised = true;
  return 1;
}

uint32_t BASS_StreamCreateFile(int fromMemory, const void* file, uint32_t offset, uint32_t length,
                               uint32_t) {
  if (!initialised || fromMemory != 0 || file == nullptr || offset != 0 || length != 0) return 0;
  for (int i = 0; i < kMaxChannels; ++i) {
    Channel& ch = channels[i];
    if (ch.state.load(std::memory_order_acquire) != kFree) continue;
    // Out of memory or threads is a refusal too: no exception may cross
    // into a caller that is not C++.
    try {
      if (!openStream(ch, static_cast<const char*>(file))) return 0;
    } catch (const std::bad_alloc&) {
      releaseChannel(ch);
      return 0;
    }
    if (!offline) {
      ch.decoderStarted = pthread_create(&ch.decoder, nullptr, decoderLoop, &ch) == 0;
      if (!ch.decoderStarted) {
        releaseChannel(ch);
        return 0;
      }
      pthread_setname_np(ch.decoder, kDecoderThreadName);
    }
    ch.state.store(kReady, std::memory_order_release);
    return static_cast<uint32_t>(i + 1);
  }
  return 0;
}

int BASS_Start() {
  if (!initialised) return 0;
  if (!offline) outputStart();
  return 1;
}

int BASS_StreamPlay(uint32_t stream, int, uint32_t flags) {
  Channel* ch = channelOf(stream);
  if (!ch) return 0;
  ch->looping.store((flags & kMusicLoop) != 0, std::memory_order_release);
  int ready = kReady;
  ch->state.compare_exchange_strong(ready, kPlaying, std::memory_order_acq_rel);
  return ch->state.load(std::memory_order_acquire) == kPlaying ? 1 : 0;
}

int BASS_ChannelSlideAttributes(uint32_t channel, int frequency, int volume, int pan,
                                uint32_t milliseconds) {
  Channel* ch = channelOf(channel);
  if (!ch) return 0;
  int posted = ch->commandsPosted.load(std::memory_order_relaxed);
  if (posted - ch->commandsTaken.load(std::memory_order_acquire) >= kDemoBassSlideQueue) return 0;
  SlideCommand& cmd = ch->commands[posted % kDemoBassSlideQueue];
  cmd.frequency = frequency == kMusicKeepFrequency
                      ? frequency
                      : std::clamp(frequency, kMinFrequency, kMaxFrequency);
  cmd.volume = volume == kMusicKeepVolume ? volume : std::clamp(volume, 0, kFullVolume);
  cmd.pan = pan == kMusicKeepPan ? pan : std::clamp(pan, -kFullPan, kFullPan);
  cmd.frames = msToFrames(milliseconds);
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  ch->slideEnd = std::max(ch->slideEnd, end);
  ch->commandsPosted.store(posted + 1, std::memory_order_release);
  return 1;
}

uint32_t BASS_ChannelIsSliding(uint32_t channel) {
  Channel* ch = channelOf(channel);
  if (!ch) return 0;
  // A slide lasts its time by the clock and until its time of output has
  // been mixed, whichever is later: on a real device the two agree, and an
  // output that runs faster than real time (a file) still lets the caller
  // wait the time it asked for. An output that has stalled gets a grace
  // period and no more, so a caller polling this cannot hang.
  auto now = std::chrono::steady_clock::now();
  if (now < ch->slideEnd) return 1;
  if (now > ch->slideEnd + kStalledSlideGrace) return 0;
  // Queued first, then the mixer's flag: the mixer raises the flag before
  // it marks a command taken, so this order cannot miss a slide.
  if (ch->commandsTaken.load(std::memory_order_acquire) !=
      ch->commandsPosted.load(std::memory_order_relaxed)) {
    return 1;
  }
  return ch->sliding.load(std::memory_order_acquire) ? 1 : 0;
}

int BASS_Free() {
  if (!initialised) return 0;
  shutDown();
  return 1;
}

int DemoBass_InitOffline(uint32_t frequency) {
  if (initialised || frequency < kMinOutputRate || frequency > kMaxOutputRate) return 0;
  outputRate = static_cast<int>(frequency);
  initialised = true;
  offline = true;
  return 1;
}

int DemoBass_Render(int16_t* out, uint32_t frames) {
  if (!initialised || !offline || out == nullptr) return 0;
  while (frames > 0) {
    const int block = static_cast<int>(std::min<uint32_t>(frames, kDeviceBufferFrames));
    // Decoding keeps the ring full before every block, so an offline mix
    // never runs dry and renders the same samples every time.
    for (Channel& ch : channels) {
      if (ch.state.load(std::memory_order_acquire) == kFree) continue;
      while (decodeStep(ch, ch.framesSinceRewind)) {
      }
    }
    mixOutput(out, block);
    out += block * kOutputChannels;
    frames -= static_cast<uint32_t>(block);
  }
  return 1;
}

double DemoBass_ChannelGetPosition(uint32_t channel) {
  Channel* ch = channelOf(channel);
  if (!ch) return -1.0;
  double frame, speed;
  int64_t atNs;
  unsigned before, after;
  do {
    before = ch->heardSequence.load(std::memory_order_acquire);
    frame = ch->heardFrame.load(std::memory_order_relaxed);
    speed = ch->heardSpeed.load(std::memory_order_relaxed);
    atNs = ch->heardAtNs.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    after = ch->heardSequence.load(std::memory_order_relaxed);
  } while (before != after || (before & 1) != 0);
  double heard = frame;
  if (!offline && atNs != 0) {
    // A block just mixed is heard after the device's buffer ahead of it;
    // between blocks the position runs on by the clock, and stops where the
    // last block ends should the output stall.
    const double buffer = static_cast<double>(kDeviceBufferFrames) / outputRate;
    const int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
    const double since = std::min(static_cast<double>(nowNs - atNs) * 1e-9, buffer);
    heard = std::max(0.0, frame - speed * (buffer - since));
  }
  const int moves = ch->movesPosted.load(std::memory_order_relaxed);
  double seconds = heard / ch->fileRate;
  if (moves == ch->lastHeardMoves) seconds = std::max(seconds, ch->lastHeard);
  ch->lastHeard = seconds;
  ch->lastHeardMoves = moves;
  return seconds;
}

int32_t DemoBass_ChannelSetPosition(uint32_t channel, double seconds) {
  Channel* ch = channelOf(channel);
  if (!ch || !(seconds >= 0.0 && seconds <= kMaxPositionSeconds)) return 0;
  ch->moveTarget.store(std::llround(seconds * ch->fileRate), std::memory_order_relaxed);
  ch->movesPosted.fetch_add(1, std::memory_order_release);
  return 1;
}
