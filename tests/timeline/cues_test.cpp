// The effect cues: which setter is called with which code, in which frame,
// at the show's moments.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/window.h"
#include "platform/headless/window_headless.h"
#include "tests/timeline/director_fixture.h"

namespace {
using Calls = std::vector<std::string>;
Calls calls;

std::string meshCall(int32_t code) { return "mesh " + std::to_string(code); }
std::string ribbonsCall(int32_t mode) { return "ribbons " + std::to_string(mode); }
std::string swarmCall(int32_t state) { return "swarm " + std::to_string(state); }

void recordMesh(int32_t code) { calls.push_back(meshCall(code)); }
void recordRibbons(int32_t mode) { calls.push_back(ribbonsCall(mode)); }
void recordSwarm(int32_t state) { calls.push_back(swarmCall(state)); }

// How many rows give a one-shot cue, and how many of those are still armed.
int oneShotRows() {
  int n = 0;
  for (const Scene& scene : playedMoments().scenes) n += scene.cue.kind == CueKind::Once;
  return n;
}
int armedOneShots() {
  int n = 0;
  for (int i = 0; i < kSceneCount; ++i)
    n += playedMoments().scenes[i].cue.kind == CueKind::Once && cues.cueArmed[i] != 0;
  return n;
}

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
    musicClock.musicTimeMs = t;
    musicClock.frameDeltaMs = d;
    runTimeline();
    return calls;
  }
  CueSetters saved{};
};

TEST_F(CuesTest, TheFirstDropMakesTheCubeThenSendsTheSwarmOnceOnly) {
  EXPECT_EQ(frame(momentWindow(Moment::FirstDrop).lo), Calls{});
  EXPECT_EQ(frame(firstMs(Moment::FirstDrop) + 10),
            (Calls{meshCall(kMeshCube), swarmCall(kSpriteRespawn)}));
  EXPECT_EQ(frame(firstMs(Moment::FirstDrop) + 26), Calls{});
  EXPECT_EQ(frame(lastMs(Moment::FirstDrop)), Calls{});
}

// What the first frame of each moment that changes an effect tells it, in
// the order the calls are made; the next frame tells it nothing more.
TEST_F(CuesTest, OneShotCuesFireOnTheFirstFrameOfTheirMomentInTheirOrder) {
  const struct {
    Moment moment;
    Calls expected;
  } kFirstFrames[] = {
      {Moment::FirstDrop, {meshCall(kMeshCube), swarmCall(kSpriteRespawn)}},
      {Moment::SecondDrop, {meshCall(kMeshSphere), swarmCall(kSpriteRespawn)}},
      {Moment::SquareRibbons, {ribbonsCall(kRibbonSquare)}},
      {Moment::MorphToCube, {meshCall(kMeshMorphToCube)}},
      {Moment::MorphBack, {ribbonsCall(kRibbonHidden), meshCall(kMeshMorphToSphere)}},
      {Moment::SpectrumRibbons, {ribbonsCall(kRibbonSpectrum)}},
      {Moment::Pulse, {meshCall(kMeshPulse)}},
      {Moment::SecondMorphBack, {ribbonsCall(kRibbonHidden), meshCall(kMeshMorphToSphere)}},
      {Moment::WaveRibbons, {ribbonsCall(kRibbonWave)}},
      {Moment::Wobble, {meshCall(kMeshWobbleSphere)}},
      {Moment::CardFlash, {ribbonsCall(kRibbonTrail)}},
      {Moment::BuildUp, {meshCall(kMeshCube)}},
      {Moment::Finale, {meshCall(kMeshWobbleCube)}},
  };
  for (const auto& f : kFirstFrames) {
    const int32_t t = firstMs(f.moment);
    EXPECT_EQ(frame(t), f.expected) << "at " << t;
    EXPECT_EQ(frame(t + 1), Calls{}) << "at " << t + 1;
  }
  EXPECT_EQ(armedOneShots(), 0);
}

TEST_F(CuesTest, EveryFrameCuesRepeatUpToTheirBound) {
  for (int32_t t :
       {firstMs(Moment::ThirdDrop), middleMs(Moment::ThirdDrop), lastMs(Moment::ThirdDrop)})
    EXPECT_EQ(frame(t), Calls{meshCall(kMeshSphere)}) << "at " << t;
  for (int32_t t : {firstMs(Moment::RibbonsGone), lastMs(Moment::RibbonsGone)})
    EXPECT_EQ(frame(t), Calls{ribbonsCall(kRibbonHidden)}) << "at " << t;
  for (int32_t t : {firstMs(Moment::Bounce), lastMs(Moment::Bounce)})
    EXPECT_EQ(frame(t), Calls{meshCall(kMeshSatelliteBounce)}) << "at " << t;
  for (int32_t t : {firstMs(Moment::BounceEnds), lastMs(Moment::BounceEnds)})
    EXPECT_EQ(frame(t), Calls{meshCall(kMeshSatelliteSettle)}) << "at " << t;
}

// A whole run at 60 frames a second: each one-shot cue fires in one frame;
// from the third drop to the end of the bounce every frame makes one call.
TEST_F(CuesTest, AWholeRunUsesEveryOneShotFlagOnce) {
  const int32_t everyFrameFrom = firstMs(Moment::ThirdDrop);
  const int32_t everyFrameTo = lastMs(Moment::BounceEnds);
  int framesWithOneShots = 0;
  int32_t previous = 0;
  for (int64_t n = 0;; ++n) {
    const auto t = static_cast<int32_t>(n * 1000 / 60);
    if (t >= showEndsAtMs()) break;
    const Calls made = frame(t, t - previous);
    previous = t;
    if (t >= everyFrameFrom && t <= everyFrameTo) {
      ASSERT_EQ(made.size(), 1u) << "at " << t;
    } else if (!made.empty()) {
      ++framesWithOneShots;
    }
  }
  EXPECT_EQ(framesWithOneShots, oneShotRows());
  EXPECT_EQ(armedOneShots(), 0);
}

TEST_F(CuesTest, AOneShotMomentNoFrameFallsIntoNeverFires) {
  frame(firstMs(Moment::WaveRibbons));
  frame(lastMs(Moment::Wobble) - 100);
  const int armed = armedOneShots();
  // One frame from before the card's flash to after it: no trails.
  EXPECT_EQ(frame(firstMs(Moment::Breakdown) + 100, 700), Calls{});
  EXPECT_EQ(armedOneShots(), armed);
  EXPECT_EQ(frame(middleMs(Moment::Breakdown)), Calls{});
}

TEST_F(CuesTest, WindowRecreationLeavesTheFlagsAsTheyWere) {
  frame(firstMs(Moment::FirstDrop));
  frame(firstMs(Moment::SecondDrop));
  const auto before = cues.cueArmed;
  gfx = &gfxDirect;
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  killGLWindow();
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  killGLWindow();
  gfx = &gfxDiscard;
  EXPECT_EQ(cues.cueArmed, before);
  EXPECT_EQ(frame(firstMs(Moment::FirstDrop) + 100), Calls{});
}

TEST_F(CuesTest, TheShowEndsOnTheFirstFramePastItsEnd) {
  EXPECT_EQ(frame(middleMs(Moment::Finale)), Calls{meshCall(kMeshWobbleCube)});
  EXPECT_EQ(frame(lastMs(Moment::Finale)), Calls{});
  musicClock.musicTimeMs = lastMs(Moment::Finale);
  EXPECT_EQ(runTimeline(), 1);
  musicClock.musicTimeMs = firstMs(Moment::End);
  EXPECT_EQ(musicClock.musicTimeMs, showEndsAtMs());
  EXPECT_EQ(runTimeline(), 0);
  EXPECT_EQ(calls, Calls{});
}
}  // namespace
