#include "platform/audio_offline.h"

namespace {
thread_local int lastError = kAudioOk;
}

int audioStartDevice(int, uint32_t, uint32_t, void*) {
  lastError = kAudioErrorNoDevice;
  return 0;
}
AudioStream audioOpenFile(int, const char*, uint64_t, uint64_t, uint32_t) {
  lastError = kAudioErrorInit;
  return 0;
}
int audioPlay(AudioStream, int) {
  lastError = kAudioErrorHandle;
  return 0;
}
uint64_t audioPosition(AudioStream, uint32_t) {
  lastError = kAudioErrorHandle;
  return UINT64_MAX;
}
double audioBytesToSeconds(AudioStream, uint64_t) {
  lastError = kAudioErrorHandle;
  return -1.0;
}
int32_t audioGetData(AudioStream, void*, uint32_t) {
  lastError = kAudioErrorHandle;
  return -1;
}
int audioLastError() { return lastError; }
int audioRelease() {
  lastError = kAudioOk;
  return 1;
}
void audioOfflineSetFrame(AudioStream, uint64_t) {}
uint32_t audioOfflineRate(AudioStream) { return 0; }
uint32_t audioOfflineChannels(AudioStream) { return 0; }
uint64_t audioOfflineFrames(AudioStream) { return 0; }
