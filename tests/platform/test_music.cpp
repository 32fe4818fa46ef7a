#include "tests/platform/test_music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "score/mp3_writer.h"

namespace {
constexpr double kFullScale = 32767.0;
// LAME's constant-rate presets below 320 kbps scale the input down (by 0.95
// at 128 kbps) to keep clear of clipping; at 320 kbps, and in VBR, levels pass
// unchanged, so the tests can check them.
constexpr int kKbps = 320;
constexpr double kChirpFromHz = 200.0;
constexpr double kChirpToHz = 6000.0;
}  // namespace

const MusicFormat kMusicFormats[5] = {
    {44100, 1, false}, {44100, 2, false}, {48000, 2, false}, {48000, 1, true}, {32000, 2, false},
};

std::string musicFormatName(const MusicFormat& format) {
  return std::string(format.channels == 1 ? "Mono" : "Stereo") +
         std::to_string(format.rateHz / 1000) + "k" + (format.vbr ? "Vbr" : "Cbr");
}

double binHz(int rateHz, int bin) { return bin * static_cast<double>(rateHz) / 512.0; }

std::vector<int16_t> sinePcm(const MusicFormat& format, size_t frames, double hz, double amplitude,
                             size_t onsetFrame) {
  std::vector<int16_t> pcm(frames * format.channels, 0);
  for (size_t i = onsetFrame; i < frames; ++i) {
    const double t = static_cast<double>(i - onsetFrame) / format.rateHz;
    const auto value =
        static_cast<int16_t>(std::lround(amplitude * kFullScale * std::sin(2.0 * M_PI * hz * t)));
    for (int c = 0; c < format.channels; ++c) pcm[i * format.channels + c] = value;
  }
  return pcm;
}

std::vector<int16_t> chirpPcm(const MusicFormat& format, size_t frames) {
  std::vector<int16_t> pcm(frames * format.channels, 0);
  const double seconds = static_cast<double>(frames) / format.rateHz;
  const double sweep = (kChirpToHz - kChirpFromHz) / seconds;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / format.rateHz;
    const double phase = 2.0 * M_PI * (kChirpFromHz * t + 0.5 * sweep * t * t);
    const auto value = static_cast<int16_t>(std::lround(0.5 * kFullScale * std::sin(phase)));
    for (int c = 0; c < format.channels; ++c) pcm[i * format.channels + c] = value;
  }
  return pcm;
}

std::string scratchName(const std::string& name) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string prefix = test ? std::string(test->test_suite_name()) + "." + test->name() : "";
  std::replace(prefix.begin(), prefix.end(), '/', '_');
  return prefix + "-" + name;
}

std::string writeMusic(const std::string& shortName, const MusicFormat& format,
                       const std::vector<int16_t>& pcm) {
  const std::string name = scratchName(shortName);
  EXPECT_TRUE(writeMp3(name.c_str(), pcm.data(), pcm.size() / format.channels, format.rateHz,
                       format.channels, kKbps, format.vbr))
      << name;
  return name;
}

std::vector<uint8_t> randomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  return bytes;
}

std::string writeBytes(const std::string& shortName, const std::vector<uint8_t>& bytes) {
  const std::string name = scratchName(shortName);
  FILE* file = std::fopen(name.c_str(), "wb");
  EXPECT_NE(file, nullptr) << name;
  if (file && !bytes.empty()) {
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  }
  if (file) std::fclose(file);
  return name;
}
