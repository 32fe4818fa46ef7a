// Jumps: from any moment to any other, forwards and backwards, the state a
// jump puts in place is the one a straight run of the frame clock leaves
// there, and running the moments ahead leaves the state on screen as it was.
// With the build's pictures and music, offscreen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/frame_clock.h"
#include "app/seek.h"
#include "effects/mesh.h"
#include "gfx/gfx.h"
#include "timeline/moments.h"
#include "timeline/show_state.h"
#include "tools/capture/capture.h"

namespace {
// The state with everything the mesh still owes made, so that two states
// reached by different ways compare byte for byte.
std::unique_ptr<ShowState> madeState() {
  makeMeshWorkDue();
  auto state = std::make_unique<ShowState>();
  copyShowState(state.get());
  return state;
}

bool same(const ShowState& a, const ShowState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Moments across the show: the start, the reveal and its end, each drop, the
// morphs, the pulse, the card's flash, the bounce, the finale and its last
// frame before the end.
struct Target {
  Moment moment;
  int32_t intoMs;  // how far into the moment's window
};
constexpr Target kTargets[] = {
    {Moment::Opening, 0},       {Moment::Opening, 1000},     {Moment::Opening, 16900},
    {Moment::FirstDrop, 1},     {Moment::MorphToCube, 700},  {Moment::MorphBack, 1200},
    {Moment::Pulse, 400},       {Moment::SecondMorphBack, 1}, {Moment::CardFlash, 200},
    {Moment::RibbonsGone, 100}, {Moment::Bounce, 5000},      {Moment::Finale, 500},
    {Moment::Finale, 36900},
};
constexpr int kTargetCount = sizeof kTargets / sizeof kTargets[0];

int64_t frameOf(const Target& target) {
  const int32_t lo = target.moment == Moment::Opening ? 0 : momentWindow(target.moment).lo;
  return frameClockFrameAt(lo + target.intoMs, kSeekFramesPerSecond);
}

class Seek : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(chdir(VANTOREL_SHOW_DIR), 0) << VANTOREL_SHOW_DIR;
    ASSERT_EQ(captureStartShow(320, 180), 1);
    start_ = std::make_unique<ShowState>();
    copyShowState(start_.get());
    // The straight run: every frame from the start, the state kept at each
    // target.
    std::vector<int64_t> frames;
    for (const Target& target : kTargets) frames.push_back(frameOf(target));
    int64_t frame = 0;
    for (int i = 0; i < kTargetCount; ++i) {
      ASSERT_EQ(fastForwardFrames(frame, frames[i], kSeekFramesPerSecond), 1);
      frame = frames[i];
      straight_[i] = madeState();
    }
    putShowStateBack(*start_);
    ASSERT_EQ(seekStart(), 1);
  }
  static std::unique_ptr<ShowState> start_;
  static std::unique_ptr<ShowState> straight_[kTargetCount];
};
std::unique_ptr<ShowState> Seek::start_;
std::unique_ptr<ShowState> Seek::straight_[kTargetCount];

TEST_F(Seek, AJumpForwardsOrBackwardsPutsInPlaceTheStateOfAStraightRun) {
  // Far ahead first (the moments are run ahead on the way), then back and
  // forth across the show.
  const int order[] = {10, 3, 12, 0, 5, 4, 11, 2, 9, 7, 1, 8, 6};
  static_assert(sizeof order / sizeof order[0] == kTargetCount, "every target once");
  for (const int i : order) {
    SCOPED_TRACE(momentName(kTargets[i].moment));
    SCOPED_TRACE(kTargets[i].intoMs);
    ASSERT_EQ(seekStateBefore(frameOf(kTargets[i])), 1);
    EXPECT_TRUE(same(*madeState(), *straight_[i]));
  }
}

TEST_F(Seek, RunningTheMomentsAheadLeavesTheStateOnScreenAsItWas) {
  ASSERT_EQ(seekStateBefore(frameOf(kTargets[6])), 1);
  const auto before = madeState();
  const GfxState caps = gfxState;
  const int kept = seekKeptMoments();
  while (seekRunAhead(1.0)) {
  }
  EXPECT_GT(seekKeptMoments(), kept);
  EXPECT_TRUE(same(*madeState(), *before));
  EXPECT_EQ(std::memcmp(&gfxState, &caps, sizeof caps), 0);
  // Every 2 s of the show, to its end.
  EXPECT_EQ(seekKeptMoments(),
            frameClockFrameAt(showEndsAtMs(), kSeekFramesPerSecond) / kSeekKeptEveryFrames + 1);
  std::printf("%d moments kept in %zu bytes\n", seekKeptMoments(), seekKeptBytes());
}

TEST_F(Seek, AJumpPastTheShowsEndIsRefused) {
  EXPECT_EQ(seekStateBefore(frameClockFrameAt(showEndsAtMs() + 2000, kSeekFramesPerSecond)), 0);
  // And the next jump is as good as ever.
  ASSERT_EQ(seekStateBefore(frameOf(kTargets[4])), 1);
  EXPECT_TRUE(same(*madeState(), *straight_[4]));
}
}  // namespace
