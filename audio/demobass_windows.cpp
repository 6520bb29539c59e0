// demobass_windows.cpp - the music library's machine on Windows
// (demobass_backend.h): Ogg Vorbis decoded by stb_vorbis, resampled by the
// library's own windowed sinc (sinc_resampler.h; Debian has no
// libsamplerate for MinGW), played through waveOut on a thread of its own.
#include <windows.h>
// (after windows.h, which it needs)
#include <mmsystem.h>

#include <atomic>
#include <new>

#include "audio/demobass_backend.h"
#include "audio/sinc_resampler.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

// ---- decoding --------------------------------------------------------------

struct AudioFile {
  stb_vorbis* vorbis;
  int channels;
  bool failed;
};

AudioFile* audioFileOpen(const char* path, AudioFileFacts& facts) {
  int error = 0;
  stb_vorbis* vorbis = stb_vorbis_open_filename(path, &error, nullptr);
  if (vorbis == nullptr) return nullptr;
  const stb_vorbis_info info = stb_vorbis_get_info(vorbis);
  const unsigned length = stb_vorbis_stream_length_in_samples(vorbis);
  facts.channels = info.channels;
  facts.rate = static_cast<int>(info.sample_rate);
  facts.frames = length > 0 ? length : -1;
  facts.lengthEstimated = false;
  auto* file = new (std::nothrow) AudioFile{vorbis, info.channels, false};
  if (file == nullptr) stb_vorbis_close(vorbis);
  return file;
}

int64_t audioFileRead(AudioFile* file, float* out, int64_t frames) {
  const int got = stb_vorbis_get_samples_float_interleaved(
      file->vorbis, file->channels, out, static_cast<int>(frames * file->channels));
  const int error = stb_vorbis_get_error(file->vorbis);
  if (got == 0 && error != VORBIS__no_error && error != VORBIS_need_more_data) file->failed = true;
  return got;
}

bool audioFileFailed(AudioFile* file) { return file->failed; }

bool audioFileSeek(AudioFile* file, int64_t frame) {
  if (frame == 0) return stb_vorbis_seek_start(file->vorbis) != 0;
  return frame <= UINT32_MAX && stb_vorbis_seek(file->vorbis, static_cast<unsigned>(frame)) != 0;
}

void audioFileClose(AudioFile* file) {
  stb_vorbis_close(file->vorbis);
  delete file;
}

// ---- resampling ------------------------------------------------------------

struct StreamResampler {
  SincResampler* sinc;
};

StreamResampler* resamplerNew() {
  SincResampler* sinc = sincNew();
  return sinc != nullptr ? new (std::nothrow) StreamResampler{sinc} : nullptr;
}

void resamplerDelete(StreamResampler* resampler) {
  if (resampler == nullptr) return;
  sincDelete(resampler->sinc);
  delete resampler;
}

// The ratio of every call takes effect at once, the first one's included.
void resamplerSetRatio(StreamResampler*, double) {}

void resamplerReset(StreamResampler* resampler) { sincReset(resampler->sinc); }

bool resamplerProcess(StreamResampler* resampler, const float* in, long inFrames, float* out,
                      long outFrames, double ratio, long& used, long& generated) {
  sincProcess(resampler->sinc, in, inFrames, out, outFrames, ratio, used, generated);
  return true;
}

// ---- output ----------------------------------------------------------------
// waveOut plays a queue of buffers; the output thread waits for one to come
// back done, mixes into it and queues it again. Four buffers of 1024
// frames: about 93 ms queued at 44.1 kHz, enough for Windows' scheduler.

namespace {

constexpr int kOutputBuffers = 4;
constexpr int kMaxBufferFrames = 4096;

struct Output {
  HWAVEOUT device = nullptr;
  HANDLE done = nullptr;  // set by waveOut whenever a buffer comes back
  HANDLE thread = nullptr;
  std::atomic<bool> stop{false};
  MixCallback mix = nullptr;
  int frames = 0;
  WAVEHDR headers[kOutputBuffers];
  int16_t samples[kOutputBuffers][kMaxBufferFrames * 2];
};

Output output;

void fillAndQueue(WAVEHDR& header) {
  output.mix(reinterpret_cast<int16_t*>(header.lpData), output.frames);
  waveOutWrite(output.device, &header, sizeof header);
}

DWORD WINAPI outputLoop(void*) {
  for (WAVEHDR& header : output.headers) fillAndQueue(header);
  while (!output.stop.load(std::memory_order_acquire)) {
    WaitForSingleObject(output.done, 50);
    for (WAVEHDR& header : output.headers) {
      if ((header.dwFlags & WHDR_DONE) != 0 && !output.stop.load(std::memory_order_acquire))
        fillAndQueue(header);
    }
  }
  return 0;
}

}  // namespace

bool outputOpen(int rate, int frames, MixCallback mix) {
  if (frames > kMaxBufferFrames) frames = kMaxBufferFrames;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  output.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (output.done == nullptr) return false;
  if (waveOutOpen(&output.device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(output.done), 0,
                  CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    CloseHandle(output.done);
    output.done = nullptr;
    output.device = nullptr;
    return false;
  }
  output.mix = mix;
  output.frames = frames;
  for (int i = 0; i < kOutputBuffers; ++i) {
    WAVEHDR& header = output.headers[i];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(output.samples[i]);
    header.dwBufferLength = static_cast<DWORD>(frames * 4);
    waveOutPrepareHeader(output.device, &header, sizeof header);
  }
  return true;
}

// A second call (BASS_Start again) finds the output running already.
void outputStart() {
  if (output.thread != nullptr) return;
  output.stop.store(false, std::memory_order_release);
  output.thread = CreateThread(nullptr, 0, outputLoop, nullptr, 0, nullptr);
  if (output.thread != nullptr) SetThreadPriority(output.thread, THREAD_PRIORITY_TIME_CRITICAL);
}

bool outputIsOpen() { return output.device != nullptr; }

void outputClose() {
  if (output.thread != nullptr) {
    output.stop.store(true, std::memory_order_release);
    SetEvent(output.done);
    WaitForSingleObject(output.thread, INFINITE);
    CloseHandle(output.thread);
    output.thread = nullptr;
  }
  waveOutReset(output.device);  // every queued buffer comes back done
  for (WAVEHDR& header : output.headers) {
    waveOutUnprepareHeader(output.device, &header, sizeof header);
  }
  waveOutClose(output.device);
  CloseHandle(output.done);
  output.device = nullptr;
  output.done = nullptr;
}
