// soundtrack_render.cpp - offline music through libdemobass.
#include "tools/capture/soundtrack_render.h"

#include "audio/demobass.h"
#include "host/music.h"
#include "tools/capture/video_encoder.h"

namespace {

// The fade starts on a frame boundary: 300 ms is 18 frames.
constexpr long kFadeStartFrame = kFadeOutDelayMs * kVideoFramesPerSecond / 1000;
static_assert(kFadeStartFrame * 1000 == kFadeOutDelayMs * kVideoFramesPerSecond);

bool playing = false;

// The slides the demo starts at the end, at the frames where they start.
bool startEndingSlides(long endingFrame) {
  if (endingFrame == 0) {
    return BASS_ChannelSlideAttributes(kMusicChannel, kSlowDownFrequency, kDemoBassKeepVolume,
                                       kDemoBassKeepPan, kSlowDownMs) != 0;
  }
  if (endingFrame == kFadeStartFrame) {
    return BASS_ChannelSlideAttributes(kMusicChannel, kDemoBassKeepFrequency, 0, kDemoBassKeepPan,
                                       kFadeOutMs) != 0;
  }
  return true;
}

}  // namespace

bool soundtrackOpen(std::string& note) {
  if (!DemoBass_InitOffline(kVideoSoundRate)) {
    note = "the music library cannot render";
    return false;
  }
  const uint32_t stream = BASS_StreamCreateFile(0, kMusicFile, 0, 0, kMusicStreamFlags);
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
