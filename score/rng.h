// Seeded pseudo-random numbers for what the build makes (the music, the
// pictures): a fixed seed per use, so that
// every run writes the same pictures and the same music, byte for byte.
#pragma once

#include <cstdint>

// SplitMix64: tiny, fast, and good enough for noise, star fields and jitter.
struct Rng {
  uint64_t state;
};

inline uint64_t rngNext(Rng& rng) {
  uint64_t z = (rng.state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Uniform in [0, 1).
inline double rngUnit(Rng& rng) { return static_cast<double>(rngNext(rng) >> 11) * 0x1.0p-53; }

// Uniform in [-1, 1).
inline double rngSigned(Rng& rng) { return rngUnit(rng) * 2.0 - 1.0; }

// A stateless hash of a lattice point to [0, 1), for value noise that does
// not depend on the order in which pixels are painted.
inline double latticeHash(int32_t x, int32_t y, uint32_t seed) {
  Rng rng{(static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) ^ static_cast<uint32_t>(y) ^
          (static_cast<uint64_t>(seed) << 17)};
  return rngUnit(rng);
}
