// An audio back-end whose answers the test sets: the byte position, the
// stream's byte rate, the spectrum and the error its data read leaves.
#pragma once

#include <cstdint>

#include "platform/audio.h"

struct FakeAudio {
  uint64_t position = 0;                // bytes: audioPosition's, audioSetPosition's
  double bytesPerSecond = 44100.0 * 4;  // 16-bit stereo at 44.1 kHz
  float spectrumValue = 0.0f;           // written to all 256 entries by a data read
  int dataError = kAudioOk;             // the error a data read leaves
  int dataReads = 0;
  uint64_t lastConvertedBytes = 0;      // the argument of the last bytes-to-seconds call
  bool playing = false;                 // audioPlay since the last audioPause
  bool deviceHeard = true;              // audioDeviceHeard's answer
};

// Reset by the test; read by the fake back-end.
extern FakeAudio fakeAudio;
