// The effect cues: which setter is called with which code, in which frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window.h"
#include "platform/window_headless.h"
#include "tests/timeline/director_fixture.h"

namespace {
std::vector<std::string> calls;

void recordMesh(int32_t code) { calls.push_back("mesh " + std::to_string(code)); }
void recordRibbons(int32_t mode) { calls.push_back("ribbons " + std::to_string(mode)); }
void recordSwarm(int32_t state) { calls.push_back("swarm " + std::to_string(state)); }

using Calls = std::vector<std::string>;

class CuesTest : public DirectorFixture {
 protected:
  void SetUp() override {
    DirectorFixture::SetUp();
    saved = cueSetters;
    cueSetters = {recordMesh, recordRibbons, recordSwarm};
    calls.clear();
  }
  void TearDown() override {
    cueSetters = saved;
    DirectorFixture::TearDown();
  }
  // The cue calls of one frame at t.
  static Calls frame(int32_t t, int32_t d = 16) {
    calls.clear();
    musicTimeMs = t;
    frameDeltaMs = d;
    runTimeline();
    return calls;
  }
  CueSetters saved{};
};

TEST_F(CuesTest, WindowTwoSetsTheCubeThenSendsTheSwarmOnceOnly) {
  EXPECT_EQ(frame(25999), Calls{});
  EXPECT_EQ(frame(26010), (Calls{"mesh 2", "swarm 8"}));
  EXPECT_EQ(frame(26026), Calls{});
  EXPECT_EQ(frame(35999), Calls{});
  EXPECT_EQ(cueArmed[0], 0);
}

TEST_F(CuesTest, OneShotCuesFireOnTheFirstFrameOfTheirWindowInTheListedOrder) {
  const struct {
    int32_t t;
    Calls expected;
  } kFirstFrames[] = {
      {26000, {"mesh 2", "swarm 8"}},
      {47000, {"mesh 1", "swarm 8"}},
      {60000, {"ribbons 4"}},
      {63000, {"mesh 6"}},
      {65000, {"ribbons 0", "mesh 5"}},
      {68000, {"ribbons 3"}},
      {69000, {"mesh 8"}},
      {78000, {"ribbons 0", "mesh 5"}},
      {80000, {"ribbons 2"}},
      {83000, {"mesh 3"}},
      {90600, {"ribbons 1"}},
      {155000, {"mesh 2"}},
      {159000, {"mesh 4"}},
  };
  for (const auto& f : kFirstFrames) {
    EXPECT_EQ(frame(f.t), f.expected) << "at " << f.t;
    EXPECT_EQ(frame(f.t + 1), Calls{}) << "at " << f.t + 1;
  }
  for (int32_t armed : cueArmed) EXPECT_EQ(armed, 0);
}

TEST_F(CuesTest, EveryFrameCuesRepeatUpToTheirBound) {
  EXPECT_EQ(frame(109000), Calls{"mesh 1"});
  EXPECT_EQ(frame(120000), Calls{"mesh 1"});
  EXPECT_EQ(frame(122699), Calls{"mesh 1"});
  EXPECT_EQ(frame(122700), Calls{"ribbons 0"});
  EXPECT_EQ(frame(131999), Calls{"ribbons 0"});
  EXPECT_EQ(frame(132000), Calls{"mesh 10"});
  EXPECT_EQ(frame(141999), Calls{"mesh 10"});
  EXPECT_EQ(frame(142000), Calls{"mesh 11"});
  EXPECT_EQ(frame(154999), Calls{"mesh 11"});
}

TEST_F(CuesTest, AOneShotWindowNoFrameFallsIntoNeverFires) {
  frame(80000);                           // ribbons 2
  frame(90400);                           // mesh 3
  EXPECT_EQ(frame(91100, 700), Calls{});  // past the whole of window 15
  EXPECT_EQ(cueArmed[10], 1);
  EXPECT_EQ(frame(100000), Calls{});
}

TEST_F(CuesTest, WindowRecreationLeavesTheFlagsAsTheyWere) {
  frame(26000);
  frame(47000);
  int32_t before[kOneShotCues];
  std::copy(std::begin(cueArmed), std::end(cueArmed), before);
  gfx = &gfxDirect;
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  killGLWindow();
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  killGLWindow();
  gfx = &gfxDiscard;
  EXPECT_TRUE(std::equal(std::begin(cueArmed), std::end(cueArmed), before));
  EXPECT_EQ(frame(26100), Calls{});
}

TEST_F(CuesTest, TheShowEndsOnTheFirstFramePast195999) {
  EXPECT_EQ(frame(190000), Calls{"mesh 4"});
  EXPECT_EQ(frame(195999), Calls{});
  musicTimeMs = 195999;
  EXPECT_EQ(runTimeline(), 1);
  musicTimeMs = 196000;
  EXPECT_EQ(runTimeline(), 0);
  EXPECT_EQ(calls, Calls{});
}
}  // namespace
