// Writes the music fuzzer's first inputs into a folder: a few very short MP3
// files of the kinds the audio layer takes (mono and stereo, 8 to 48 kHz,
// constant and variable bit rate), each with the encoder's info tag.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "score/mp3_writer.h"

namespace {
struct Seed {
  const char* name;
  int rateHz;
  int channels;
  int kbps;
  bool vbr;
  double seconds;
};
// Short enough that the fuzzer's inputs stay within a few kilobytes.
constexpr Seed kSeeds[] = {
    {"stereo-44k-cbr.mp3", 44100, 2, 128, false, 0.06},
    {"mono-8k.mp3", 8000, 1, 16, false, 0.2},
    {"stereo-48k-vbr.mp3", 48000, 2, 96, true, 0.08},
    {"mono-32k.mp3", 32000, 1, 48, false, 0.1},
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: music_seeds FOLDER\n");
    return 2;
  }
  for (const Seed& seed : kSeeds) {
    const size_t frames = static_cast<size_t>(seed.seconds * seed.rateHz);
    std::vector<int16_t> samples(frames * seed.channels);
    for (size_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / seed.rateHz;
      const double v = 0.5 * std::sin(2 * M_PI * 440 * t) * std::exp(-8 * t);
      for (int c = 0; c < seed.channels; ++c)
        samples[i * seed.channels + c] = static_cast<int16_t>(v * (c + 1) * 16000);
    }
    const std::string path = std::string(argv[1]) + "/" + seed.name;
    if (!writeMp3(path.c_str(), samples.data(), frames, seed.rateHz, seed.channels, seed.kbps,
                  seed.vbr))
      return 1;
  }
  return 0;
}
