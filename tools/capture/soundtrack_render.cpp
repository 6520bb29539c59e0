// soundtrack_render.cpp - offline music through libdemobass.
#include "tools/capture/soundtrack_render.h"

#include "audio/demobass.h"
#include "tools/capture/video_encoder.h"

namespace {

// The values the demo itself passes to the library.
constexpr uint32_t kStreamFlags = 0x40000;
constexpr uint32_t kChannel = 1;
constexpr int kEndFrequency = 1000;
constexpr uint32_t kEndSlideMs = 500;
constexpr uint32_t kPauseBeforeFadeMs = 300;
constexpr uint32_t kFadeMs = 200;

// The fade starts on a frame boundary: 300 ms is 18 frames.
constexpr long kFadeStartFrame = kPauseBeforeFadeMs * kVideoFramesPerSecond / 1000;
static_assert(kFadeStartFrame * 1000 == kPauseBeforeFadeMs * kVideoFramesPerSecond);

bool playing = false;

// The slides the demo starts at the end, at the frames where they start.
bool startEndingSlides(long endingFrame) {
  if (endingFrame == 0) {
    return BASS_ChannelSlideAttributes(kChannel, kEndFrequency, kDemoBassKeepVolume,
                                       kDemoBassKeepPan, kEndSlideMs) != 0;
  }
  if (endingFrame == kFadeStartFrame) {
    return BASS_ChannelSlideAttributes(kChannel, kDemoBassKeepFrequency, 0, kDemoBassKeepPan,
                                       kFadeMs) != 0;
  }
  return true;
}

}  // namespace

bool soundtrackOpen(std::string& note) {
  if (!DemoBass_InitOffline(kVideoSoundRate)) {
    note = "the music library cannot render";
    return false;
  }
  const uint32_t stream = BASS_StreamCreateFile(0, "data.dat", 0, 0, kStreamFlags);
  if (stream == 0 || !BASS_Start() || !BASS_StreamPlay(stream, 1, kDemoBassLoop)) {
    BASS_Free();
    note = "music file \"data.dat\" is missing or not playable";
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

void soundtrackClose() {
  if (playing) BASS_Free();
  playing = false;
}
