#include "tests/support/fake_audio.h"

FakeAudio fakeAudio;

namespace {
int lastError = kAudioOk;
}

int audioStartDevice(int, uint32_t, uint32_t, void*) { return 1; }
AudioStream audioOpenFile(int, const char*, uint64_t, uint64_t, uint32_t) { return 1; }
int audioPlay(AudioStream, int) {
  fakeAudio.playing = true;
  return 1;
}
int audioPause(AudioStream) {
  fakeAudio.playing = false;
  return 1;
}

int audioSetPosition(AudioStream, uint64_t position, uint32_t) {
  lastError = kAudioOk;
  fakeAudio.position = position;
  return 1;
}

int audioGetInfo(AudioStream, AudioStreamInfo* info) {
  lastError = kAudioOk;
  // 16-bit stereo at the rate the byte rate makes.
  info->rateHz = static_cast<uint32_t>(fakeAudio.bytesPerSecond / 4);
  info->channels = 2;
  info->frames = UINT32_MAX;
  return 1;
}

uint64_t audioPosition(AudioStream, uint32_t) {
  lastError = kAudioOk;
  return fakeAudio.position;
}

double audioBytesToSeconds(AudioStream, uint64_t bytes) {
  lastError = kAudioOk;
  fakeAudio.lastConvertedBytes = bytes;
  return static_cast<double>(bytes) / fakeAudio.bytesPerSecond;
}

int32_t audioGetData(AudioStream, void* buffer, uint32_t) {
  ++fakeAudio.dataReads;
  lastError = fakeAudio.dataError;
  if (lastError != kAudioOk) return -1;
  float* out = static_cast<float*>(buffer);
  for (int i = 0; i < 256; ++i) out[i] = fakeAudio.spectrumValue;
  return 2048;
}

int audioDeviceHeard() {
  lastError = fakeAudio.deviceHeard ? kAudioOk : kAudioErrorDeviceGone;
  return fakeAudio.deviceHeard ? 1 : 0;
}

int audioLastError() { return lastError; }
int audioFreeStream(AudioStream) { return 1; }
int audioRelease() { return 1; }
