// make_music_seeds - writes the music fuzzer's seed corpus: a short tone as
// WAV, Ogg Vorbis, FLAC and MP3 (through libsndfile), each also cut short,
// every file behind the six setting bytes the fuzzer reads first.
// Usage: make_music_seeds DIR
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr int kFrames = kRate / 5;  // 200 ms
// Loop, slide at block 3 to a low frequency, half volume, a little left,
// over 400 ms.
const unsigned char kSettings[6] = {1, 3, 2, 50, 0xF0, 20};

struct Format {
  const char* name;
  int format;
};

std::vector<char> encode(const Format& f, const std::string& scratch) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = f.format;
  SNDFILE* file = sf_open(scratch.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return {};
  std::vector<float> samples(kFrames * 2);
  for (int i = 0; i < kFrames; ++i) {
    samples[2 * i] = 0.5f * std::sin(2 * M_PI * 440 * i / kRate);
    samples[2 * i + 1] = 0.5f * std::sin(2 * M_PI * 660 * i / kRate);
  }
  sf_writef_float(file, samples.data(), kFrames);
  sf_close(file);
  std::ifstream in(scratch, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeSeed(const std::string& path, const std::vector<char>& bytes, size_t length) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(kSettings), sizeof kSettings);
  out.write(bytes.data(), static_cast<std::streamsize>(length));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_music_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const Format formats[] = {{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                            {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                            {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                            {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}};
  for (const Format& f : formats) {
    const std::vector<char> bytes = encode(f, dir + "/scratch");
    if (bytes.empty()) {
      std::fprintf(stderr, "make_music_seeds: cannot write %s\n", f.name);
      return 1;
    }
    writeSeed(dir + "/tone." + f.name, bytes, bytes.size());
    writeSeed(dir + "/tone-half." + f.name, bytes, bytes.size() / 2);
    writeSeed(dir + "/tone-header." + f.name, bytes, std::min<size_t>(bytes.size(), 64));
  }
  std::remove((dir + "/scratch").c_str());
  return 0;
}
