// soundtrack_render.cpp - offline music through libdemobass.
#include "tools/capture/soundtrack_render.h"

#include <limits.h>
#include <unistd.h>

#include <string>

#include "audio/demobass.h"
#include "tools/capture/video_encoder.h"

namespace {

// The fade starts on a frame boundary: 300 ms is 18 frames.
constexpr long kFadeStartFrame = kMusicEnding.fadeDelayMs * kVideoFramesPerSecond / 1000;
static_assert(kFadeStartFrame * 1000 == kMusicEnding.fadeDelayMs * kVideoFramesPerSecond);

bool playing = false;

// The folder this program's file is in, or "" when it cannot be told.
std::string programFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  const std::string program(path, size_t(length));
  return program.substr(0, program.rfind('/'));
}

// The music file: in the working folder, else beside the program. Returns
// "" and says where it looked in `note` when neither has one.
std::string findMusicFile(std::string& note) {
  const std::string beside = programFolder() + "/" + kMusicFile;
  for (const std::string& candidate : {std::string(kMusicFile), beside}) {
    if (access(candidate.c_str(), F_OK) == 0) return candidate;
  }
  char here[PATH_MAX];
  note = std::string("no music file: no ") + kMusicFile + " in " +
         (getcwd(here, sizeof here) != nullptr ? here : "the working folder") + " or in " +
         programFolder() + " (--no-sound makes a silent video)";
  return "";
}

// The slides the demo starts at the end, at the frames where they start.
bool startEndingSlides(long endingFrame) {
  if (endingFrame == 0) {
    return BASS_ChannelSlideAttributes(kMusicChannel, kMusicEnding.slowDownFrequency,
                                       kMusicKeepVolume, kMusicKeepPan,
                                       kMusicEnding.slowDownMs) != 0;
  }
  if (endingFrame == kFadeStartFrame) {
    return BASS_ChannelSlideAttributes(kMusicChannel, kMusicKeepFrequency, 0, kMusicKeepPan,
                                       kMusicEnding.fadeMs) != 0;
  }
  return true;
}

}  // namespace

bool soundtrackOpen(std::string& note) {
  const std::string file = findMusicFile(note);
  if (file.empty()) return false;
  if (!DemoBass_InitOffline(kVideoSoundRate)) {
    note = "the music library cannot render";
    return false;
  }
  const uint32_t stream = BASS_StreamCreateFile(0, file.c_str(), 0, 0, kMusicStreamFlags);
  if (stream == 0 || !BASS_Start() || !BASS_StreamPlay(stream, 1, kMusicLoop)) {
    BASS_Free();
    note = "music file " + file + " is not playable (--no-sound makes a silent video)";
    return false;
  }
  playing = true;
  return true;
}

bool soundtrackFrame(long endingFrame, int16_t* samples, std::string& error) {
  if (startEndingSlides(endingFrame) && DemoBass_Render(samples, kVideoSoundFramesPerFrame) != 0)
    return true;
  error = "the music library cannot render the sound track";
  return false;
}

bool soundtrackMoveTo(double seconds) {
  return DemoBass_ChannelSetPosition(kMusicChannel, seconds) != 0;
}

void soundtrackClose() {
  if (playing) BASS_Free();
  playing = false;
}
