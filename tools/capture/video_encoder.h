// video_encoder.h - feeds the capture tool's frames to ffmpeg.
//
// ffmpeg runs as a child process reading raw RGB frames on a pipe; the result
// goes to a temporary name beside the target file and is renamed into place
// only when everything succeeded, so an interrupted or failed capture leaves
// nothing under the target's name. The container and codecs follow the
// target's extension: .mp4 (H.264, AAC) or .webm (VP9, Opus).
// One encoder per process; used by demo-capture's --video.
#pragma once

#include <cstdint>
#include <string>

struct VideoSettings {
  std::string path;       // the target file, .mp4 or .webm
  int scale = 1;          // each canvas pixel becomes scale x scale pixels
  bool lossless = false;  // exact RGB frames (H.264 RGB, quantiser 0), for checking
};

// True when `path` ends in an extension the encoder knows.
bool videoFormatKnown(const std::string& path);

// Starts ffmpeg. Returns false with one line of reason in `error` when the
// target's folder is not writable or ffmpeg cannot be started.
bool videoOpen(const VideoSettings& settings, std::string& error);

// A temporary file name beside the target, ending in `extension`, for other
// parts of the capture (the sound track); removed with the encoder's own.
// Only after videoOpen.
std::string videoScratchPath(const char* what, const char* extension);

// Sends one 640 x 480 RGB canvas, scaled. False when ffmpeg stopped reading.
bool videoWriteFrame(const uint8_t* canvas);

// Ends the video stream, muxes in `audioWav` (may be empty for no sound) and
// renames the result into place. False with a reason when any step failed;
// nothing is left behind then.
bool videoFinish(const std::string& audioWav, std::string& error);

// Stops ffmpeg and removes every temporary file. Safe to call at any time,
// also from the Ctrl-C path, and more than once.
void videoAbort();
