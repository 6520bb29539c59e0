// demobass_linux.cpp - the music library's machine on Linux
// (demobass_backend.h): files decoded by libsndfile (WAV, FLAC, Ogg Vorbis,
// MP3, ...), resampled by libsamplerate, played through SDL's audio output.
#include <SDL.h>
#include <dlfcn.h>
#include <samplerate.h>
#include <sndfile.h>

#include "audio/demobass_backend.h"

// ---- decoding --------------------------------------------------------------

struct AudioFile {
  SNDFILE* file;
};

AudioFile* audioFileOpen(const char* path, AudioFileFacts& facts) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (file == nullptr) return nullptr;
  facts.channels = info.channels;
  facts.rate = info.samplerate;
  facts.frames = info.frames == SF_COUNT_MAX ? 0 : info.frames;
  facts.lengthEstimated = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
  return new AudioFile{file};
}

int64_t audioFileRead(AudioFile* file, float* out, int64_t frames) {
  const sf_count_t got = sf_readf_float(file->file, out, frames);
  return got > 0 ? got : 0;
}

bool audioFileFailed(AudioFile* file) { return sf_error(file->file) != SF_ERR_NO_ERROR; }

bool audioFileSeek(AudioFile* file, int64_t frame) {
  return sf_seek(file->file, frame, SEEK_SET) == frame;
}

void audioFileClose(AudioFile* file) {
  sf_close(file->file);
  delete file;
}

// ---- resampling ------------------------------------------------------------

namespace {

// The fastest sinc converter: band-limited, so the slow-down stays clean,
// and about eight times cheaper than the best one in the audio callback
// (resample_bench: some 270 against 32 times real time at the 44:1 ratio of
// the demo's end, on the development machine).
constexpr int kConverter = SRC_SINC_FASTEST;
constexpr int kStereo = 2;

}  // namespace

StreamResampler* resamplerNew() {
  int error = 0;
  return reinterpret_cast<StreamResampler*>(src_new(kConverter, kStereo, &error));
}

void resamplerDelete(StreamResampler* resampler) {
  src_delete(reinterpret_cast<SRC_STATE*>(resampler));
}

void resamplerSetRatio(StreamResampler* resampler, double ratio) {
  src_set_ratio(reinterpret_cast<SRC_STATE*>(resampler), ratio);
}

void resamplerReset(StreamResampler* resampler) {
  src_reset(reinterpret_cast<SRC_STATE*>(resampler));
}

bool resamplerProcess(StreamResampler* resampler, const float* in, long inFrames, float* out,
                      long outFrames, double ratio, long& used, long& generated) {
  SRC_DATA data{};
  data.data_in = in;
  data.input_frames = inFrames;
  data.data_out = out;
  data.output_frames = outFrames;
  data.src_ratio = ratio;
  const bool ok = src_process(reinterpret_cast<SRC_STATE*>(resampler), &data) == 0;
  used = ok ? data.input_frames_used : 0;
  generated = ok ? data.output_frames_gen : 0;
  return ok;
}

// ---- output ----------------------------------------------------------------

namespace {

MixCallback mixer = nullptr;  // written only while the output is closed

void sdlCallback(void*, Uint8* stream, int length) {
  mixer(reinterpret_cast<int16_t*>(stream), length / static_cast<int>(sizeof(int16_t) * kStereo));
}

// ALSA writes several lines of its own to stderr when there is no sound
// card; a missing device is the caller's to report, in its own words. So
// while the output opens, ALSA's messages go nowhere. ALSA is looked up at
// run time because SDL loads it that way too, and may use another backend.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler);
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

struct AlsaQuiet {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  AlsaSetErrorHandler setHandler =
      alsa ? reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"))
           : nullptr;
  AlsaQuiet() {
    if (setHandler) setHandler(ignoreAlsaMessage);
  }
  ~AlsaQuiet() {
    if (setHandler) setHandler(nullptr);  // ALSA's own printing again
    if (alsa) dlclose(alsa);
  }
  AlsaQuiet(const AlsaQuiet&) = delete;
  AlsaQuiet& operator=(const AlsaQuiet&) = delete;
};

}  // namespace

bool outputOpen(int rate, int bufferFrames, MixCallback mix) {
  AlsaQuiet quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  mixer = mix;
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kStereo;
  wanted.samples = static_cast<Uint16>(bufferFrames);
  wanted.callback = sdlCallback;
  // No "obtained" format: SDL converts to whatever the device takes, so the
  // mixer always works at the rate asked for.
  if (SDL_OpenAudio(&wanted, nullptr) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

void outputStart() { SDL_PauseAudio(0); }

// SDL_Quit, when it ran first (at the program's exit), has closed the output
// and stopped the callback already, and SDL's audio must not be called again.
bool outputIsOpen() { return SDL_WasInit(SDL_INIT_AUDIO) != 0; }

void outputClose() {
  SDL_CloseAudio();  // joins the audio thread
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
