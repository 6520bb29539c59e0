// no_video.cpp - video_encoder.h and soundtrack_render.h for a capture tool
// built without video (DEMO_CAPTURE_VIDEO off, as on Windows, where there is
// no ffmpeg to pipe to nor a POSIX process API to start it with): --video is
// refused in one line at the start, and the trace and snapshots work as
// everywhere else.
#include "tools/capture/soundtrack_render.h"
#include "tools/capture/video_encoder.h"

// The soundtrack opens without a sound, so that the one line a --video run
// gets is videoOpen's.
bool soundtrackOpen(std::string&) { return true; }
bool soundtrackFrame(long, int16_t*, std::string& error) {
  error = "no soundtrack in this build";
  return false;
}
bool soundtrackMoveTo(double) { return false; }
void soundtrackClose() {}

bool videoOpen(const VideoSettings& settings, std::string& error) {
  error = "cannot make " + settings.path +
          ": this build records no video (make it with the Linux demo-capture)";
  return false;
}
bool videoWriteFrame(const uint8_t*, const int16_t*, std::string& error) {
  error = "no video in this build";
  return false;
}
bool videoFinish(std::string& error) {
  error = "no video in this build";
  return false;
}
void videoAbort() {}
