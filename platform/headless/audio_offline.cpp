// The audio layer without a device: each stream is decoded whole into memory
// when it is opened, and its heard position is the frame its caller stands it
// at. For the capture tool, which renders the show frame by frame at exact
// music times, and for tests.
#include "platform/headless/audio_offline.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sound/audio_stream.h"
#include "sound/fft.h"
#include "sound/mp3_decoder.h"

namespace {
struct OfflineStream {
  AudioStream handle = 0;  // 0 while the slot is free
  AudioFormat format;
  int16_t* samples = nullptr;  // the whole stream, interleaved; owned here
  uint64_t frame = 0;          // where the caller stood it
  bool started = false;        // audioPlay has been called
  bool stood = false;          // audioSetPosition has stood it somewhere
};

// Guards everything below: the show calls from one thread, a capture tool or
// a test may call from several.
std::mutex tableLock;
bool deviceStarted = false;
OfflineStream streams[kAudioMaxStreams];

OfflineStream* findLocked(AudioStream handle) {
  const int slot = audioHandleSlot(handle);
  if (slot < 0 || streams[slot].handle != handle) return nullptr;
  return &streams[slot];
}

// Decodes the whole file; returns the buffer (malloc'd) or null, with the
// format's length cut to what could be decoded.
int16_t* decodeWhole(Mp3Decoder* decoder, AudioFormat* format, int* error) {
  int16_t* buffer = mp3DecodeAll(decoder, &format->frames, error);
  format->rateHz = decoder->rateHz;
  format->channels = decoder->channels;
  return buffer;
}

bool playingLocked(const OfflineStream& stream) {
  return (stream.started || stream.stood) && stream.frame < stream.format.frames;
}
}  // namespace

int audioStartDevice(int device, uint32_t rateHz, uint32_t, void*) {
  const int check = audioCheckDeviceArgs(device, rateHz);
  if (check != kAudioOk) return audioSetError(check);
  std::lock_guard<std::mutex> hold(tableLock);
  if (deviceStarted) return audioSetError(kAudioErrorAlreadyStarted);
  deviceStarted = true;
  audioReleaseAtExit();
  return audioSetError(kAudioOk);
}

AudioStream audioOpenFile(int fromMemory, const char* file, uint64_t offset, uint64_t length,
                          uint32_t) {
  {
    std::lock_guard<std::mutex> hold(tableLock);
    if (!deviceStarted) return audioSetError(kAudioErrorInit);
  }
  const int check = audioCheckOpenArgs(fromMemory, file, offset, length);
  if (check != kAudioOk) return audioSetError(check);

  Mp3Decoder decoder;
  int error = mp3Open(&decoder, file);
  if (error != kAudioOk) return audioSetError(error);
  AudioFormat format;
  int16_t* samples = decodeWhole(&decoder, &format, &error);
  mp3Close(&decoder);
  if (!samples) return audioSetError(error);

  std::lock_guard<std::mutex> hold(tableLock);
  for (uint32_t slot = 0; slot < kAudioMaxStreams; ++slot) {
    OfflineStream& stream = streams[slot];
    if (stream.handle) continue;
    stream = OfflineStream{};
    stream.handle = audioMakeHandle(slot);
    stream.format = format;
    stream.samples = samples;
    audioSetError(kAudioOk);
    return stream.handle;
  }
  std::free(samples);
  return audioSetError(kAudioErrorMemory);
}

int audioFreeStream(AudioStream handle) {
  std::lock_guard<std::mutex> hold(tableLock);
  OfflineStream* stream = findLocked(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  std::free(stream->samples);
  *stream = OfflineStream{};
  return audioSetError(kAudioOk);
}

int audioPlay(AudioStream handle, int restart) {
  std::lock_guard<std::mutex> hold(tableLock);
  OfflineStream* stream = findLocked(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  // A stream that has played out starts over, as the device back-end's does.
  if (restart || stream->frame >= stream->format.frames) stream->frame = 0;
  stream->started = true;
  return audioSetError(kAudioOk);
}

int audioSetPosition(AudioStream handle, uint64_t position, uint32_t mode) {
  std::lock_guard<std::mutex> hold(tableLock);
  OfflineStream* stream = findLocked(handle);
  uint64_t frame = 0;
  const int check =
      audioCheckSetPosition(stream ? &stream->format : nullptr, position, mode, &frame);
  if (check != kAudioOk) return audioSetError(check);
  stream->frame = frame;
  stream->stood = true;
  return audioSetError(kAudioOk);
}

int audioPause(AudioStream handle) {
  std::lock_guard<std::mutex> hold(tableLock);
  OfflineStream* stream = findLocked(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  // Nothing moves by itself here: a paused stream stands where it is.
  if (stream->started) stream->stood = true;
  return audioSetError(kAudioOk);
}

int audioDeviceHeard() { return audioSetError(kAudioOk); }

int audioGetInfo(AudioStream handle, AudioStreamInfo* info) {
  std::lock_guard<std::mutex> hold(tableLock);
  const OfflineStream* stream = findLocked(handle);
  return audioReplyInfo(stream ? &stream->format : nullptr, info);
}

uint64_t audioPosition(AudioStream handle, uint32_t mode) {
  std::lock_guard<std::mutex> hold(tableLock);
  const OfflineStream* stream = findLocked(handle);
  return audioReplyPosition(stream ? &stream->format : nullptr, mode, stream ? stream->frame : 0);
}

double audioBytesToSeconds(AudioStream handle, uint64_t bytes) {
  std::lock_guard<std::mutex> hold(tableLock);
  const OfflineStream* stream = findLocked(handle);
  return audioReplySeconds(stream ? &stream->format : nullptr, bytes);
}

int32_t audioGetData(AudioStream handle, void* buffer, uint32_t request) {
  float window[kFftSize];
  AudioFormat format;
  {
    std::lock_guard<std::mutex> hold(tableLock);
    const OfflineStream* stream = findLocked(handle);
    const int check = audioCheckDataRead(stream ? &stream->format : nullptr, buffer, request,
                                         stream && playingLocked(*stream));
    if (check != kAudioOk) {
      audioSetError(check);
      return -1;
    }
    format = stream->format;
    const AudioPcmRing whole{stream->samples, format.frames, format.channels, 0, format.frames};
    audioTakeWindow(whole, stream->frame, window);
  }
  return audioReplyData(format, window, buffer);
}

int audioRelease() {
  std::lock_guard<std::mutex> hold(tableLock);
  for (OfflineStream& stream : streams) {
    std::free(stream.samples);
    stream = OfflineStream{};
  }
  deviceStarted = false;
  return audioSetError(kAudioOk);
}

void audioOfflineSetFrame(AudioStream handle, uint64_t frame) {
  std::lock_guard<std::mutex> hold(tableLock);
  OfflineStream* stream = findLocked(handle);
  if (!stream) {
    audioSetError(kAudioErrorHandle);
    return;
  }
  stream->frame = frame < stream->format.frames ? frame : stream->format.frames;
  audioSetError(kAudioOk);
}

namespace {
// The format of a stream, or an empty one (all 0) for a bad handle.
AudioFormat formatOf(AudioStream handle) {
  std::lock_guard<std::mutex> hold(tableLock);
  OfflineStream* stream = findLocked(handle);
  audioSetError(stream ? kAudioOk : kAudioErrorHandle);
  return stream ? stream->format : AudioFormat{};
}
}  // namespace

uint32_t audioOfflineRate(AudioStream handle) { return formatOf(handle).rateHz; }
uint32_t audioOfflineChannels(AudioStream handle) { return formatOf(handle).channels; }
uint64_t audioOfflineFrames(AudioStream handle) { return formatOf(handle).frames; }

uint64_t audioOfflineCopyFrames(AudioStream handle, uint64_t first, uint64_t count, int16_t* out) {
  std::lock_guard<std::mutex> hold(tableLock);
  const OfflineStream* stream = findLocked(handle);
  if (!stream || !out) {
    audioSetError(stream ? kAudioErrorIllegalParam : kAudioErrorHandle);
    return 0;
  }
  audioSetError(kAudioOk);
  if (first >= stream->format.frames) return 0;
  const uint64_t left = stream->format.frames - first;
  const uint64_t frames = count < left ? count : left;
  const uint32_t channels = stream->format.channels;
  std::memcpy(out, stream->samples + first * channels, frames * channels * sizeof(int16_t));
  return frames;
}
