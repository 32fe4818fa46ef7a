// The show's one pseudo-random generator: integers 0 to 32767, never seeded,
// so every run draws the same sequence. Shared by the swarm and the ribbons,
// which draw from it in a fixed order.
#pragma once

#include <cstdint>

// Largest value randomNext returns.
constexpr int kRandomMax = 32767;

// The next number of the sequence, 0 to kRandomMax.
int randomNext();

// The generator's state. Its start of 1 is the state of a rand that nobody
// seeded.
struct RandomState {
  uint32_t state = 1;
};

// Owned here, one for the whole run; tests read it to know or replay the
// sequence.
extern RandomState randomGenerator;

// Puts the generator back to its state at program start.
void resetRandom();
