// video_encoder.h - films the capture: ffmpeg encodes the frames and sound.
//
// ffmpeg runs as a child process reading raw RGB frames on one pipe and, when
// the video has sound, 16-bit stereo samples at 44,100 Hz on another, so
// drawing, sound and encoding all run at once. The result goes to a
// temporary name beside the target file and is renamed into place only when
// everything succeeded: an interrupted or failed capture leaves nothing
// behind. ffmpeg's messages stay in memory, so a full disk cannot swallow
// the reason it gives.
//
// The picture is faithful: every canvas pixel keeps its own colour (4:4:4,
// no chroma shared between neighbours, which players would smear across the
// one-pixel rings of scene 0) and the quality is set for at least 35 dB PSNR
// against the canvas on every frame. .mp4 is H.264 with AAC, .webm VP9 with
// Opus; lossless is H.264 in RGB, exact. --scale enlarges with square pixels.
// One encoder per process; used by demo-capture's --video.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/music.h"
#include "host/pacing.h"

struct VideoSettings {
  std::string path;        // the target file, .mp4 or .webm
  int scale = 1;           // each canvas pixel becomes scale x scale pixels, 1 to 8
  bool lossless = false;   // exact RGB frames (H.264 RGB, quantiser 0); .mp4 only
  bool withSound = false;  // a sound track comes with the frames
};

// The video's rate, the demo's own, and its sound: 1/60 s of sound per
// frame at the music's rate, two channels.
constexpr int kVideoFramesPerSecond = static_cast<int>(kFramesPerSecond);
constexpr int kVideoSoundRate = kMusicOutputRate;
constexpr size_t kVideoSoundFramesPerFrame = kVideoSoundRate / kVideoFramesPerSecond;  // 735
constexpr size_t kVideoSoundSamplesPerFrame = kVideoSoundFramesPerFrame * 2;

// Starts ffmpeg. Returns false with one line of reason in `error` when the
// target's folder is not writable or ffmpeg cannot be started.
bool videoOpen(const VideoSettings& settings, std::string& error);

// Sends one 640 x 480 RGB canvas, and when the video has sound, the
// kVideoSoundSamplesPerFrame samples that go with it (interleaved left,
// right; null for silence). False with a reason in `error` when ffmpeg
// failed or a stop signal interrupted the write.
bool videoWriteFrame(const uint8_t* frame, const int16_t* sound, std::string& error);

// Ends the streams, waits for ffmpeg and renames the result into place.
// False with a reason when any step failed; nothing is left behind then.
bool videoFinish(std::string& error);

// Stops ffmpeg at once, even a stopped one, and removes the temporary file.
// Safe to call at any time and more than once.
void videoAbort();
