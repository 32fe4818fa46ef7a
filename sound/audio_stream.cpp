#include "sound/audio_stream.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "sound/fft.h"

namespace {
thread_local int lastError = kAudioOk;

// A handle is the slot number plus one in its low bits and a serial above
// them, so that 0 is never one and a stale handle differs from its slot's
// current one.
constexpr uint32_t kSlotBits = 8;
constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
static_assert(kAudioMaxStreams < kSlotMask, "slot numbers must fit below the serial");
std::atomic<uint32_t> nextSerial{1};

// Output rates any common device serves; the show asks for 44100.
constexpr uint32_t kLowestRateHz = 8000;
constexpr uint32_t kHighestRateHz = 192000;

// The device numbers that mean the default output: 1, the first real device
// (what the show asks for), and -1, "the system's default".
constexpr int kAnyDefaultDevice = -1;

// 16-bit full scale.
constexpr float kFullScale = 32768.0f;

std::once_flag exitHookInstalled;
void releaseAtExit() { audioRelease(); }
}  // namespace

int audioSetError(int code) {
  lastError = code;
  return code == kAudioOk ? 1 : 0;
}

int audioLastError() { return lastError; }

AudioStream audioMakeHandle(uint32_t slot) {
  uint32_t serial = nextSerial.fetch_add(1, std::memory_order_relaxed) & (~0u >> kSlotBits);
  if (serial == 0) serial = nextSerial.fetch_add(1, std::memory_order_relaxed);
  return (serial << kSlotBits) | (slot + 1);
}

int audioHandleSlot(AudioStream handle) {
  const uint32_t slotPlusOne = handle & kSlotMask;
  if (slotPlusOne == 0 || slotPlusOne > kAudioMaxStreams) return -1;
  return static_cast<int>(slotPlusOne - 1);
}

uint32_t audioFrameBytes(const AudioFormat& format) {
  return static_cast<uint32_t>(sizeof(int16_t)) * format.channels;
}

uint64_t audioBytesOfFrames(const AudioFormat& format, uint64_t frames) {
  return frames * audioFrameBytes(format);
}

double audioSecondsOfBytes(const AudioFormat& format, uint64_t bytes) {
  return static_cast<double>(bytes) /
         (static_cast<double>(format.rateHz) * static_cast<double>(audioFrameBytes(format)));
}

int audioCheckDeviceArgs(int device, uint32_t rateHz) {
  if (device != kAudioDefaultDevice && device != kAnyDefaultDevice) return kAudioErrorNoDevice;
  if (rateHz < kLowestRateHz || rateHz > kHighestRateHz) return kAudioErrorIllegalParam;
  return kAudioOk;
}

int audioCheckOpenArgs(int fromMemory, const char* file, uint64_t offset, uint64_t length) {
  if (fromMemory != 0 || offset != 0 || length != 0) return kAudioErrorIllegalParam;
  if (!file || !*file) return kAudioErrorFileOpen;
  return kAudioOk;
}

void audioTakeWindow(const AudioPcmRing& ring, uint64_t endFrame, float* mono) {
  const float scale = 1.0f / (kFullScale * static_cast<float>(ring.channels));
  for (uint32_t i = 0; i < kFftSize; ++i) {
    // Frame endFrame - kFftSize + i, which lies before the start while that
    // would be negative.
    const uint64_t back = kFftSize - i;
    if (endFrame < back) {
      mono[i] = 0.0f;
      continue;
    }
    const uint64_t frame = endFrame - back;
    if (frame < ring.validFrom || frame >= ring.validTo) {
      mono[i] = 0.0f;
      continue;
    }
    const int16_t* sample = ring.samples + (frame % ring.ringFrames) * ring.channels;
    int32_t sum = 0;
    for (uint32_t c = 0; c < ring.channels; ++c) sum += sample[c];
    mono[i] = static_cast<float>(sum) * scale;
  }
}

uint64_t audioReplyPosition(const AudioFormat* format, uint32_t mode, uint64_t heardFrame) {
  if (!format) {
    audioSetError(kAudioErrorHandle);
    return kAudioPositionFailed;
  }
  if (mode != kAudioPositionBytes) {
    audioSetError(kAudioErrorNotAvailable);
    return kAudioPositionFailed;
  }
  audioSetError(kAudioOk);
  return audioBytesOfFrames(*format, heardFrame);
}

double audioReplySeconds(const AudioFormat* format, uint64_t bytes) {
  if (!format) {
    audioSetError(kAudioErrorHandle);
    return -1.0;
  }
  audioSetError(kAudioOk);
  return audioSecondsOfBytes(*format, bytes);
}

int audioCheckSetPosition(const AudioFormat* format, uint64_t position, uint32_t mode,
                          uint64_t* frame) {
  if (!format) return kAudioErrorHandle;
  if (mode != kAudioPositionBytes) return kAudioErrorNotAvailable;
  *frame = position / audioFrameBytes(*format);
  if (*frame > format->frames) return kAudioErrorPosition;
  return kAudioOk;
}

int audioReplyInfo(const AudioFormat* format, AudioStreamInfo* info) {
  if (!format) return audioSetError(kAudioErrorHandle);
  if (!info) return audioSetError(kAudioErrorIllegalParam);
  info->rateHz = format->rateHz;
  info->channels = format->channels;
  info->frames = format->frames;
  return audioSetError(kAudioOk);
}

int audioCheckDataRead(const AudioFormat* format, const void* buffer, uint32_t request,
                       bool playing) {
  if (!format) return kAudioErrorHandle;
  if (request != kAudioDataFft512 || !buffer) return kAudioErrorIllegalParam;
  if (!playing) return kAudioErrorNotPlaying;
  return kAudioOk;
}

int32_t audioReplyData(const AudioFormat& format, const float* window, void* buffer) {
  fftMagnitudes(window, static_cast<float*>(buffer));
  audioSetError(kAudioOk);
  return static_cast<int32_t>(kFftSize * audioFrameBytes(format));
}

void audioReleaseAtExit() {
  std::call_once(exitHookInstalled, [] { std::atexit(releaseAtExit); });
}
