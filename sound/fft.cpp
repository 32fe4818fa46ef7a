#include "sound/fft.h"

#include <kissfft/kiss_fftr.h>

#include <cmath>
#include <cstddef>
#include <mutex>

namespace {
// Room for KissFFT's plan of a 512-point real transform (about 6 KB on a
// 64-bit build), so that it lives in the process's own table and is never
// allocated or freed.
constexpr size_t kPlanBytes = 16384;
alignas(std::max_align_t) unsigned char planMemory[kPlanBytes];

// The plan keeps scratch space, so one transform at a time runs on it.
std::mutex planLock;
kiss_fftr_cfg plan = nullptr;
std::once_flag planReady;

// The periodic Hann window. Its sum is kFftSize / 2, so a sine of amplitude A
// exactly on bin k has |X[k]| = A * kFftSize / 4; the scale 2 / sum brings it
// to A.
float window[kFftSize];
float magnitudeScale = 0.0f;

void preparePlan() {
  double sum = 0.0;
  for (uint32_t i = 0; i < kFftSize; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kFftSize);
    window[i] = static_cast<float>(w);
    sum += w;
  }
  magnitudeScale = static_cast<float>(2.0 / sum);
  size_t bytes = kPlanBytes;
  plan = kiss_fftr_alloc(static_cast<int>(kFftSize), 0, planMemory, &bytes);
}
}  // namespace

void fftMagnitudes(const float* samples, float* magnitudes) {
  std::call_once(planReady, preparePlan);
  float windowed[kFftSize];
  for (uint32_t i = 0; i < kFftSize; ++i) windowed[i] = samples[i] * window[i];
  kiss_fft_cpx bins[kFftSize / 2 + 1];
  if (!plan) {
    // Cannot happen with the room reserved above; silence rather than a crash.
    for (uint32_t k = 0; k < kFftBins; ++k) magnitudes[k] = 0.0f;
    return;
  }
  {
    std::lock_guard<std::mutex> hold(planLock);
    kiss_fftr(plan, windowed, bins);
  }
  for (uint32_t k = 0; k < kFftBins; ++k)
    magnitudes[k] = std::hypot(bins[k].r, bins[k].i) * magnitudeScale;
}
