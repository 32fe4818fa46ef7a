// Arbitrary bytes as the show's music file, through the audio layer's offline
// back-end the way the show and the capture tool use a stream: open, play,
// positions and their seconds, spectra along the stream, its PCM, and the
// end. Each step must answer as the audio layer promises, or refuse with one
// of its error codes; nothing may crash, leak or read out of bounds.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/audio.h"
#include "platform/headless/audio_offline.h"

namespace {
constexpr uint32_t kOutputRateHz = 44100;
// Every magnitude of a Hann-windowed FFT of 16-bit samples, scaled so that a
// full-scale sine on a bin reads 1, is at most 2 (the sum of |x w| over the
// sum of w, doubled), give or take float rounding; more means samples that
// are not the stream's.
constexpr float kLargestMagnitude = 2.001f;
constexpr int kSpectrumFloats = 512;
// Frames copied at once from the stream's PCM.
constexpr uint64_t kCopyFrames = 1200;

[[noreturn]] void fault(const char* what) {
  std::fprintf(stderr, "music_stream_fuzzer: %s\n", what);
  __builtin_trap();
}

void expect(bool holds, const char* what) {
  if (!holds) fault(what);
}

// The input as a file, in memory-backed storage where there is some: the
// decoder reads music from a path.
const std::string& inputPath() {
  static const std::string path = [] {
    char folder[] = "/dev/shm/vantorel-fuzz-XXXXXX";
    char fallback[] = "/tmp/vantorel-fuzz-XXXXXX";
    const char* made = mkdtemp(folder);
    if (!made) made = mkdtemp(fallback);
    if (!made) fault("cannot make a scratch folder");
    return std::string(made) + "/tarrowind.mp3";
  }();
  return path;
}

void writeInput(const uint8_t* data, size_t size) {
  const int fd = open(inputPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fault("cannot write the input file");
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n <= 0) fault("cannot write the input file");
    written += static_cast<size_t>(n);
  }
  close(fd);
}

// A spectrum read at a frame where the stream plays: 256 magnitudes, each a
// finite number from 0 to the largest a 16-bit signal can give.
void readPlayingSpectrum(AudioStream stream) {
  float spectrum[kSpectrumFloats];
  for (float& value : spectrum) value = -1.0f;
  expect(audioGetData(stream, spectrum, kAudioDataFft512) >= 0, "a playing stream refused data");
  expect(audioLastError() == kAudioOk, "a data read succeeded with an error set");
  for (int i = 0; i < 256; ++i) {
    expect(std::isfinite(spectrum[i]) && spectrum[i] >= 0.0f && spectrum[i] < kLargestMagnitude,
           "a spectrum magnitude out of range");
  }
  for (int i = 256; i < kSpectrumFloats; ++i) expect(spectrum[i] == -1.0f, "wrote past 256");
}

// Stands the stream at a frame and checks the position, its seconds and the
// spectrum there.
void standAt(AudioStream stream, uint64_t frame, uint64_t frames, uint32_t rate,
             uint64_t bytesPerFrame) {
  audioOfflineSetFrame(stream, frame);
  const uint64_t heard = frame < frames ? frame : frames;
  const uint64_t bytes = audioPosition(stream, kAudioPositionBytes);
  expect(bytes == heard * bytesPerFrame, "the byte position is not the frame stood at");
  const double seconds = audioBytesToSeconds(stream, bytes);
  expect(std::fabs(seconds - static_cast<double>(heard) / rate) < 1e-9,
         "bytes to seconds disagrees with the stream's rate");
  if (heard < frames) readPlayingSpectrum(stream);
}

void walkStream(AudioStream stream) {
  const uint32_t rate = audioOfflineRate(stream);
  const uint32_t channels = audioOfflineChannels(stream);
  const uint64_t frames = audioOfflineFrames(stream);
  expect(rate >= 8000 && rate <= 48000, "a stream of an unknown rate");
  expect(channels == 1 || channels == 2, "a stream of neither one nor two channels");
  expect(frames > 0, "an open stream without frames");
  const uint64_t bytesPerFrame = sizeof(int16_t) * channels;

  float spectrum[kSpectrumFloats];
  expect(audioGetData(stream, spectrum, kAudioDataFft512) == -1 &&
             audioLastError() == kAudioErrorNotPlaying,
         "a stream gave data before it was played");
  expect(audioPlay(stream, 0) != 0, "an open stream would not play");

  const uint64_t stops[] = {0, 1, 511, 512, frames / 3, frames / 2, frames - 1};
  for (const uint64_t frame : stops) {
    if (frame < frames) standAt(stream, frame, frames, rate, bytesPerFrame);
  }

  static int16_t pcm[kCopyFrames * 2];
  const uint64_t tail = frames > kCopyFrames / 2 ? frames - kCopyFrames / 2 : 0;
  expect(audioOfflineCopyFrames(stream, tail, kCopyFrames, pcm) == frames - tail,
         "the copy near the end did not stop at the end");
  expect(audioOfflineCopyFrames(stream, frames, kCopyFrames, pcm) == 0, "a copy past the end");

  // The end: the position stops at the length and data reads report that the
  // stream no longer plays, which is how the show knows its music is over.
  for (const uint64_t frame : {frames, frames + 1, frames * 2 + 44100}) {
    standAt(stream, frame, frames, rate, bytesPerFrame);
    expect(audioGetData(stream, spectrum, kAudioDataFft512) == -1 &&
               audioLastError() == kAudioErrorNotPlaying,
           "a played-out stream still gave data");
  }
  expect(audioPlay(stream, 0) != 0, "a played-out stream would not start over");
  expect(audioPosition(stream, kAudioPositionBytes) == 0, "starting over did not go back to 0");
  readPlayingSpectrum(stream);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInput(data, size);
  expect(audioStartDevice(kAudioDefaultDevice, kOutputRateHz, 0, nullptr) != 0,
         "the offline device would not start");
  const AudioStream stream = audioOpenFile(0, inputPath().c_str(), 0, 0, kAudioStreamPrescan);
  if (stream) {
    walkStream(stream);
  } else {
    const int error = audioLastError();
    expect(error == kAudioErrorFileFormat || error == kAudioErrorFileOpen ||
               error == kAudioErrorMemory,
           "a refused file gave an error the layer does not document");
  }
  audioRelease();
  if (stream) {
    expect(audioPosition(stream, kAudioPositionBytes) == kAudioPositionFailed &&
               audioLastError() == kAudioErrorHandle,
           "a released stream still answered");
  }
  return 0;
}
