#include "effects/random.h"

// The classic desktop C runtime's rand: a 32-bit linear congruential step
// whose bits 16 to 30 are the result. Its start state of 1 is the state of a
// rand that nobody seeded.
uint32_t randomState = 1;

int randomNext() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFFu);
}
