// fuzz_music_file - libFuzzer target: arbitrary bytes as "data.dat" through
// the music library's stream creation, decoding and a little playback.
//
// The library's offline mode mixes on this thread, without a device or
// decoding threads, so each input runs the real decode, resample and slide
// code deterministically. The input's first bytes choose the slides; the
// rest is the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/demobass.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kStreamFlags = 0x40000;
constexpr size_t kSettingBytes = 6;
constexpr uint32_t kBlockFrames = 4410;  // 100 ms
constexpr int kBlocks = 20;              // two seconds of playback in all

std::string scratchFile() { return "/tmp/fuzz-music-" + std::to_string(getpid()) + ".dat"; }

bool writeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kSettingBytes) return 0;
  const uint8_t* setting = data;
  const std::string path = scratchFile();
  if (!writeFile(path, data + kSettingBytes, size - kSettingBytes)) return 0;

  static std::vector<int16_t> out(kBlockFrames * 2);
  if (DemoBass_InitOffline(kRate)) {
    const uint32_t stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, kStreamFlags);
    if (stream != 0) {
      BASS_Start();
      BASS_StreamPlay(stream, 1, setting[0] & 1 ? kMusicLoop : 0);
      for (int block = 0; block < kBlocks; ++block) {
        if (block == setting[1] % kBlocks) {
          // Anything from far below to far above the library's ranges.
          const int frequency = (setting[2] << 10) - 1000;
          const int volume = int8_t(setting[3]);
          const int pan = int8_t(setting[4]) * 2;
          BASS_ChannelSlideAttributes(stream, frequency, volume, pan, setting[5] * 20u);
        }
        DemoBass_Render(out.data(), kBlockFrames);
        BASS_ChannelIsSliding(stream);
      }
    }
    BASS_Free();
  }
  unlink(path.c_str());
  return 0;
}
