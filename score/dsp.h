// The synthesiser's building blocks: sample rate, oscillators with
// band-limited edges, a state-variable filter, noise.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "score/rng.h"

constexpr int kSampleRate = 44100;
constexpr double kTwoPi = 6.283185307179586476925;

inline size_t secondsToFrames(double seconds) {
  return seconds <= 0.0 ? 0 : static_cast<size_t>(std::llround(seconds * kSampleRate));
}

// Equal temperament, A4 = MIDI 69 = 440 Hz.
inline double midiToHz(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }

// PolyBLEP correction for a step at phase 0 (phase and increment in cycles):
// takes the aliasing edge off saws and pulses.
inline double polyBlep(double phase, double increment) {
  if (phase < increment) {
    const double t = phase / increment;
    return t + t - t * t - 1.0;
  }
  if (phase > 1.0 - increment) {
    const double t = (phase - 1.0) / increment;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

// A phase accumulator in cycles.
struct Oscillator {
  double phase = 0.0;
};

inline double advance(Oscillator& osc, double increment) {
  osc.phase += increment;
  if (osc.phase >= 1.0) osc.phase -= std::floor(osc.phase);
  return osc.phase;
}

inline double sawWave(Oscillator& osc, double hz) {
  const double increment = hz / kSampleRate;
  const double phase = advance(osc, increment);
  return 2.0 * phase - 1.0 - polyBlep(phase, increment);
}

inline double pulseWave(Oscillator& osc, double hz, double width) {
  const double increment = hz / kSampleRate;
  const double phase = advance(osc, increment);
  double shifted = phase + (1.0 - width);
  if (shifted >= 1.0) shifted -= 1.0;
  return (phase < width ? 1.0 : -1.0) + polyBlep(phase, increment) -
         polyBlep(shifted, increment);
}

inline double sineWave(Oscillator& osc, double hz) {
  return std::sin(kTwoPi * advance(osc, hz / kSampleRate));
}

// Topology-preserving state-variable filter: stays stable while its cutoff
// is swept every few samples.
struct Svf {
  double ic1 = 0.0, ic2 = 0.0;
  double a1 = 0.0, a2 = 0.0, a3 = 0.0, k = 0.0;
};

struct SvfOut {
  double low, band, high;
};

// `q` 0.5 is soft, 0.707 flat, higher resonates.
inline void svfTune(Svf& f, double cutoffHz, double q) {
  const double limited = std::fmin(std::fmax(cutoffHz, 10.0), kSampleRate * 0.45);
  const double g = std::tan(3.14159265358979323846 * limited / kSampleRate);
  f.k = 1.0 / q;
  f.a1 = 1.0 / (1.0 + g * (g + f.k));
  f.a2 = g * f.a1;
  f.a3 = g * f.a2;
}

inline SvfOut svfTick(Svf& f, double x) {
  const double v3 = x - f.ic2;
  const double v1 = f.a1 * f.ic1 + f.a2 * v3;
  const double v2 = f.ic2 + f.a2 * f.ic1 + f.a3 * v3;
  f.ic1 = 2.0 * v1 - f.ic1;
  f.ic2 = 2.0 * v2 - f.ic2;
  return {v2, v1, x - f.k * v1 - v2};
}

// exp(-t / seconds) stepped sample by sample: one multiply instead of an
// exp per sample. Flushes to zero once inaudible, before it turns denormal.
struct Falloff {
  double value;
  double factor;
};

inline Falloff falloff(double seconds) {
  return {1.0, std::exp(-1.0 / (seconds * kSampleRate))};
}

inline double next(Falloff& f) {
  const double v = f.value;
  f.value = v < 1e-12 ? 0.0 : v * f.factor;
  return v;
}

// White noise in [-1, 1).
inline double noise(Rng& rng) { return rngSigned(rng); }

// Filters retune every this many samples: often enough for smooth sweeps,
// rarely enough that the tangent costs little.
constexpr int kControlInterval = 16;
