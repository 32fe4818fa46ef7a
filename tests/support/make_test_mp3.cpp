// Writes a short MP3 for tests of the real program: a quiet chord for the
// given number of seconds at 44.1 kHz stereo.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "score/mp3_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_test_mp3 FILE SECONDS\n");
    return 2;
  }
  constexpr int kRate = 44100;
  const double seconds = std::atof(argv[2]);
  if (!(seconds > 0 && seconds < 600)) {
    std::fprintf(stderr, "make_test_mp3: seconds must lie between 0 and 600\n");
    return 2;
  }
  const size_t frames = static_cast<size_t>(seconds * kRate);
  std::vector<int16_t> samples(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double v = 0.2 * std::sin(2 * M_PI * 220 * t) + 0.1 * std::sin(2 * M_PI * 330 * t);
    samples[2 * i] = samples[2 * i + 1] = static_cast<int16_t>(v * 32767);
  }
  return writeMp3(argv[1], samples.data(), frames, kRate, 2, 192) ? 0 : 1;
}
