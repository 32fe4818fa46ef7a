// The accents of the music: a hit at every moment the show changes, at the
// moment's own time in the show's table (timeline/moments.h), so that moving
// a moment there moves its hit when the build makes the music anew. Which
// hit each moment gets is this file's musical choice, by the moment's name.
#pragma once

#include <cstdint>
#include <vector>

#include "timeline/moments.h"

// Accent flags: what hits at a moment of change.
enum : uint32_t {
  kAccentCrash = 1u << 0,
  kAccentImpact = 1u << 1,
  kAccentBell = 1u << 2,  // the chord's root and fifth, as bells
  kAccentStab = 1u << 3,  // the chord as a short bright stab
  kAccentClap = 1u << 4,
};

// One hit of the music, in seconds.
struct Accent {
  double timeS;
  uint32_t flags;
  double gapS;  // the whole mix falls silent for this long before the hit
};

// A moment the music marks: its name and where its window opens (the lo of
// its window, ms of music time).
struct MomentMark {
  Moment name;
  int32_t lo;
};

// Every moment of `table` that opens while the show runs: the
// turns, the titles and the scenes but the first (which holds the start)
// and the end. In table order, not time order.
std::vector<MomentMark> showMarks(const MomentTable& table = kCompiledMoments);

// The accents for these marks plus the music's own, in time order. A mark's
// hit lands on its lo rounded to the nearest 10 ms (a scene's lo is the last
// ms before it, 25999 for a change at 26 s). Marks that land together make
// one hit of all their flags and the longest of their gaps.
std::vector<Accent> accentsFor(const std::vector<MomentMark>& marks);

// The accents of the music for the moments of `table`: accentsFor(showMarks(table)).
std::vector<Accent> showAccents(const MomentTable& table = kCompiledMoments);
