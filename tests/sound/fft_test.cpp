// The spectrum transform: its scale, its window, and its use from several
// threads at once.
#include "sound/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace {
std::vector<float> sineOnBin(int bin, double amplitude) {
  std::vector<float> samples(kFftSize);
  for (uint32_t i = 0; i < kFftSize; ++i)
    samples[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * bin * i / kFftSize + 0.3));
  return samples;
}

TEST(Fft, SineOnABinReadsItsAmplitudeThereAndHalfOnEachNeighbour) {
  for (int bin : {2, 24, 100, 254}) {
    for (double amplitude : {1.0, 0.25}) {
      std::vector<float> magnitudes(kFftBins);
      fftMagnitudes(sineOnBin(bin, amplitude).data(), magnitudes.data());
      EXPECT_NEAR(magnitudes[bin], amplitude, 1e-4) << bin;
      EXPECT_NEAR(magnitudes[bin - 1], amplitude / 2, 1e-4) << bin;
      EXPECT_NEAR(magnitudes[bin + 1], amplitude / 2, 1e-4) << bin;
      for (int other = 0; other < static_cast<int>(kFftBins); ++other) {
        if (std::abs(other - bin) <= 1) continue;
        EXPECT_LT(magnitudes[other], 1e-4) << bin << " " << other;
      }
    }
  }
}

TEST(Fft, SilenceReadsZeroEverywhere) {
  const std::vector<float> silence(kFftSize, 0.0f);
  std::vector<float> magnitudes(kFftBins, 1.0f);
  fftMagnitudes(silence.data(), magnitudes.data());
  for (float magnitude : magnitudes) EXPECT_EQ(magnitude, 0.0f);
}

TEST(Fft, ThreadsTransformingAtOnceEachGetTheirOwnResult) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrong] {
      const int bin = 10 + 30 * t;
      const std::vector<float> samples = sineOnBin(bin, 1.0);
      std::vector<float> magnitudes(kFftBins);
      for (int round = 0; round < kRounds; ++round) {
        fftMagnitudes(samples.data(), magnitudes.data());
        if (std::fabs(magnitudes[bin] - 1.0f) > 1e-4f) ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << t;
}
}  // namespace
