// The spectrum of the audio layer's data reads: magnitudes of a Hann-windowed
// 512-sample real FFT (KissFFT).
#pragma once

#include <cstdint>

// Samples per transform, and the magnitudes it yields (DC up to one bin below
// the Nyquist frequency).
constexpr uint32_t kFftSize = 512;
constexpr uint32_t kFftBins = kFftSize / 2;

// Writes the kFftBins magnitudes of `samples` (kFftSize mono samples, full
// scale +-1.0) to `magnitudes`, scaled so that a full-scale sine exactly on a
// bin reads 1.0 there. Called on the show's render thread once per frame; may
// be called from any thread.
void fftMagnitudes(const float* samples, float* magnitudes);
