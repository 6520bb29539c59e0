// soundtrack_render.cpp - offline music through libdemobass, into a WAV file
// through libsndfile.
#include "tools/capture/soundtrack_render.h"

#include <sndfile.h>

#include <cstdint>
#include <vector>

#include "audio/demobass.h"

namespace {

// The values the demo itself passes to the library.
constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kStreamFlags = 0x40000;
constexpr uint32_t kChannel = 1;
constexpr int kEndFrequency = 1000;
constexpr uint32_t kEndSlideMs = 500;
constexpr uint32_t kPauseBeforeFadeMs = 300;
constexpr uint32_t kFadeMs = 200;

constexpr uint32_t kFramesPerVideoFrame = kOutputRate / 60;  // 735
constexpr int kOutputChannels = 2;

SNDFILE* wav = nullptr;
std::vector<int16_t> samples;

bool render(uint32_t frames) {
  samples.resize(size_t(frames) * kOutputChannels);
  return DemoBass_Render(samples.data(), frames) != 0 &&
         sf_writef_short(wav, samples.data(), frames) == sf_count_t(frames);
}

uint32_t msToFrames(uint32_t ms) { return kOutputRate * ms / 1000; }

}  // namespace

bool soundtrackOpen(const std::string& wavPath, std::string& note) {
  if (!DemoBass_InitOffline(kOutputRate)) {
    note = "the music library cannot render";
    return false;
  }
  const uint32_t stream = BASS_StreamCreateFile(0, "data.dat", 0, 0, kStreamFlags);
  if (stream == 0 || !BASS_Start() || !BASS_StreamPlay(stream, 1, kDemoBassLoop)) {
    BASS_Free();
    note = "music file \"data.dat\" is missing or not playable";
    return false;
  }
  SF_INFO info{};
  info.samplerate = kOutputRate;
  info.channels = kOutputChannels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  wav = sf_open(wavPath.c_str(), SFM_WRITE, &info);
  if (wav == nullptr) {
    BASS_Free();
    note = "cannot write the sound track: " + std::string(sf_strerror(nullptr));
    return false;
  }
  return true;
}

bool soundtrackFrame() { return wav == nullptr || render(kFramesPerVideoFrame); }

bool soundtrackFinish(std::string& error) {
  if (wav == nullptr) return true;
  bool ok =
      BASS_ChannelSlideAttributes(kChannel, kEndFrequency, kDemoBassKeepVolume, kDemoBassKeepPan,
                                  kEndSlideMs) &&
      render(msToFrames(kPauseBeforeFadeMs)) &&
      BASS_ChannelSlideAttributes(kChannel, kDemoBassKeepFrequency, 0, kDemoBassKeepPan, kFadeMs) &&
      render(kSoundtrackEndingFrames * kFramesPerVideoFrame - msToFrames(kPauseBeforeFadeMs));
  ok = sf_close(wav) == 0 && ok;
  wav = nullptr;
  BASS_Free();
  if (!ok) error = "cannot render the sound track";
  return ok;
}

void soundtrackAbort() {
  if (wav != nullptr) sf_close(wav);
  wav = nullptr;
  BASS_Free();
}
