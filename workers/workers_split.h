// How workersFor cuts a loop into runs; shared by its back-ends.
#pragma once

#include <algorithm>

// Runs of neighbouring items: part k runs over [begin[k], begin[k + 1]).
struct WorkSplit {
  // A loop over the mesh's 32,768 vertices gains little from more than a few
  // threads, and each one more costs a wake-up per loop.
  static constexpr int kMaxParts = 8;
  int parts = 0;
  int begin[kMaxParts + 1] = {};
};

// Cuts [0, count) into at most maxParts runs of at least minItems items each
// (one run when count is below 2 * minItems), as even as can be: the first
// count % parts runs have one item more.
inline WorkSplit splitWork(int count, int minItems, int maxParts) {
  WorkSplit split;
  if (count <= 0) return split;
  const int most = std::clamp(maxParts, 1, WorkSplit::kMaxParts);
  split.parts = std::clamp(count / std::max(minItems, 1), 1, most);
  const int size = count / split.parts, extra = count % split.parts;
  for (int k = 0; k < split.parts; ++k) split.begin[k + 1] = split.begin[k] + size + (k < extra);
  return split;
}
