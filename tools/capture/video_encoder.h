// video_encoder.h - films the capture: ffmpeg encodes the frames and sound.
//
// ffmpeg runs as a child process reading raw RGB frames on one pipe and, when
// the video has sound, 16-bit stereo samples at 44,100 Hz on another, so
// drawing, sound and encoding all run at once. It dies with the tool, even
// when the tool is killed. It writes into an unnamed file in the target's
// folder, which gets the target's name only when everything succeeded and
// the result looks like a video: an interrupted or failed capture, even a
// killed one, leaves nothing behind. (Where the file system has no unnamed
// files, a hidden name beside the target stands in, removed on any failure
// or stop signal, though not after SIGKILL.) A symbolic link as the target
// is followed. ffmpeg's messages stay in memory, so a full disk cannot
// swallow the reason it gives.
//
// The standard .mp4 is what every player plays: H.264 High in 4:2:0, by
// default enlarged 2x with square pixels so that every canvas pixel keeps a
// colour sample of its own, tagged BT.709 in the limited range, with AAC and
// the index at the front. FullColour keeps every pixel's colour at any size
// (H.264 High 4:4:4, or VP9 4:4:4 with Opus for .webm) for players built on
// FFmpeg; Lossless is H.264 in RGB, exact. One encoder per process; used by
// demo-capture's --video.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/music_contract.h"
#include "host/pacing.h"

enum class VideoPicture {
  Standard,    // H.264 High 4:2:0; .mp4 only
  FullColour,  // 4:4:4: H.264 High 4:4:4 Predictive, or VP9 profile 1
  Lossless,    // exact RGB frames (H.264 RGB, quantiser 0); .mp4 only
};

// The enlargement a picture gets unless told otherwise: 4:2:0 shares a
// colour sample between 2 x 2 pixels, so at 2x each canvas pixel has one.
constexpr long defaultVideoScale(VideoPicture picture) {
  return picture == VideoPicture::Standard ? 2 : 1;
}

struct VideoSettings {
  std::string path;  // the target file, .mp4 or .webm
  int scale = 1;     // each canvas pixel becomes scale x scale pixels, 1 to 8
  VideoPicture picture = VideoPicture::Standard;
  bool withSound = false;  // a sound track comes with the frames
};

// The video's rate, the demo's own, and its sound: 1/60 s of sound per
// frame at the music's rate, two channels.
constexpr int kVideoFramesPerSecond = static_cast<int>(kFramesPerSecond);
constexpr int kVideoSoundRate = kMusicOutputRate;
constexpr size_t kVideoSoundFramesPerFrame = kVideoSoundRate / kVideoFramesPerSecond;  // 735
constexpr size_t kVideoSoundSamplesPerFrame = kVideoSoundFramesPerFrame * 2;

// Starts ffmpeg. Returns false with one line of reason in `error` when the
// target is a folder, its folder is not writable or ffmpeg cannot be started.
bool videoOpen(const VideoSettings& settings, std::string& error);

// Sends one 640 x 480 RGB canvas, and when the video has sound, the
// kVideoSoundSamplesPerFrame samples that go with it (interleaved left,
// right; null for silence). False with a reason in `error` when ffmpeg
// failed or a stop signal interrupted the write. While ffmpeg takes nothing
// for a few seconds, says once on stderr what it waits for.
bool videoWriteFrame(const uint8_t* frame, const int16_t* sound, std::string& error);

// Ends the streams, waits for ffmpeg, checks that it wrote a video and puts
// it in place. False with a reason when any step failed; nothing is left
// behind then.
bool videoFinish(std::string& error);

// Stops ffmpeg at once, even a stopped one, and drops what it wrote.
// Safe to call at any time and more than once.
void videoAbort();
