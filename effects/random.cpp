#include "effects/random.h"

RandomState randomGenerator;

void resetRandom() { randomGenerator = RandomState{}; }

// The classic desktop C runtime's rand: a 32-bit linear congruential step
// whose bits 16 to 30 are the result.
int randomNext() {
  randomGenerator.state = randomGenerator.state * 214013u + 2531011u;
  return static_cast<int>((randomGenerator.state >> 16) & 0x7FFFu);
}
