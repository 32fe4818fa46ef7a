#include "timeline/moments.h"

namespace {
// The table the show plays. Not part of the show's state: it is what the
// state is made from, and the maker's mode changes it under running state.
struct MomentsState {
  MomentTable played = kCompiledMoments;
};
constinit MomentsState moments;
}  // namespace

const MomentTable& playedMoments() { return moments.played; }

void playMoments(const MomentTable& table) { moments.played = table; }

void resetMoments() { moments = MomentsState{}; }
