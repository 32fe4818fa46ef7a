// The show's state as one record: a copy put back makes the frames after it
// run exactly as they ran the first time, through every module; the reset
// gives back the state the process started with.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/mesh_grids.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "timeline/director.h"
#include "timeline/moments.h"
#include "timeline/show_state.h"

namespace {
// The state as the process started, before any test ran.
const std::unique_ptr<ShowState> atProgramStart = [] {
  auto state = std::make_unique<ShowState>();
  copyShowState(state.get());
  return state;
}();

std::unique_ptr<ShowState> copyNow() {
  auto state = std::make_unique<ShowState>();
  copyShowState(state.get());
  return state;
}

bool same(const ShowState& a, const ShowState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// FNV-1a over bytes: equal bytes, equal sums.
uint64_t checksum(const void* data, size_t size, uint64_t sum = 1469598103934665603ull) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) sum = (sum ^ bytes[i]) * 1099511628211ull;
  return sum;
}

// The record without its grids, and with them on every kGridsEvery-th call
// (the grids are nearly all of it, and the whole record is compared at the
// ends of every stretch).
constexpr int kGridsEvery = 25;
uint64_t checksum(const ShowState& state, bool withGrids) {
  const uint64_t sum = checksum(&state.parts, sizeof state.parts);
  if (!withGrids) return sum;
  return checksum(&state.snapshotGrid, sizeof state.snapshotGrid,
                  checksum(&state.workGrid, sizeof state.workGrid, sum));
}

// A frame of the show at music time t, drawing nothing: the clock's reading
// and a spectrum that moves with it, then the director and the effects.
void frameAt(int32_t t) {
  musicClock.frameDeltaMs = t - musicClock.musicTimeMs;
  musicClock.musicTimeMs = t;
  for (int i = 0; i < kSpectrumBins; ++i)
    musicClock.spectrum[i] = static_cast<float>((t / 16 + i) % 50) / 100.0f;
  gfxEnable(GL_TEXTURE_2D);
  runTimeline();
}

// The show from program start as the process sets it up.
void startFromScratch() {
  resetShowState();
  buildMeshGrids();
  initSwarm();
  initRibbons();
  initSwarm();
}

class ShowStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gfx = &gfxDiscard;
    startFromScratch();
  }
  void TearDown() override {
    gfx = &gfxDirect;
    resetShowState();
  }
};

// Runs frames 16 ms apart over (from, to], one checksum of the state after
// each.
std::vector<uint64_t> runOver(int32_t from, int32_t to) {
  std::vector<uint64_t> sums;
  auto state = std::make_unique<ShowState>();
  int n = 0;
  for (int32_t t = from + 16; t <= to; t += 16) {
    frameAt(t);
    copyShowState(state.get());
    sums.push_back(checksum(*state, ++n % kGridsEvery == 0));
  }
  return sums;
}

TEST_F(ShowStateTest, ACopyPutBackRunsOnExactlyAsTheFirstTime) {
  // Stretches across moments that change every module: the reveal into the
  // first drop (blending, the cube, the swarm's respawn), the morphs with the
  // ribbons' square wave, and the card's flash into the trails (random steps).
  struct Stretch {
    Moment before, after;
  };
  const Stretch stretches[] = {
      {Moment::TurnAway, Moment::FirstDrop},
      {Moment::SquareRibbons, Moment::MorphBack},
      {Moment::Wobble, Moment::Breakdown},
  };
  int32_t t = 0;
  for (const Stretch& stretch : stretches) {
    SCOPED_TRACE(momentWindow(stretch.before).lo);
    const int32_t from = momentWindow(stretch.before).lo + 8;
    const int32_t to = momentWindow(stretch.after).lo + 1000;
    while (t + 16 <= from) frameAt(t += 16);
    const auto copy = copyNow();
    const std::vector<uint64_t> first = runOver(t, to);
    const auto end = copyNow();
    ASSERT_FALSE(same(*copy, *end)) << "nothing changed over the stretch";

    putShowStateBack(*copy);
    EXPECT_TRUE(same(*copyNow(), *copy)) << "the copy put back is not the state";
    const std::vector<uint64_t> again = runOver(t, to);
    EXPECT_EQ(again, first);
    EXPECT_TRUE(same(*copyNow(), *end));
    t = (to - t) / 16 * 16 + t;
  }
}

TEST_F(ShowStateTest, ACopyPutBackLeavesNoTraceOfTheFramesAfterIt) {
  // The snapshot of the pulse, taken after the copy, must not leak into what
  // the mesh derives once the copy is back.
  int32_t t = 0;
  const int32_t pulse = momentWindow(Moment::Pulse).lo;
  while (t + 16 <= pulse - 500) frameAt(t += 16);
  const auto copy = copyNow();
  const std::vector<uint64_t> first = runOver(t, pulse + 2000);
  putShowStateBack(*copy);
  EXPECT_EQ(runOver(t, pulse + 2000), first);
}

TEST_F(ShowStateTest, TheResetGivesBackTheStateTheProcessStartedWith) {
  for (int32_t t = 16; t <= 30000; t += 16) frameAt(t);
  ASSERT_FALSE(same(*copyNow(), *atProgramStart));
  resetShowState();
  EXPECT_TRUE(same(*copyNow(), *atProgramStart));
}

TEST_F(ShowStateTest, TheCopyHoldsTheCapabilitiesTheFramesLeftOn) {
  const int32_t drop = momentWindow(Moment::FirstDrop).lo;
  for (int32_t t = 16; t <= drop + 100; t += 16) frameAt(t);
  const auto blending = copyNow();
  gfxDisable(GL_BLEND);
  putShowStateBack(*blending);
  EXPECT_TRUE(same(*copyNow(), *blending)) << "the blending the first drop switched on is lost";
}
}  // namespace
