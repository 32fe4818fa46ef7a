// The spectrum ribbons through their own interface: the calls drawRibbons
// emits (recorded), the modes' shapes and the trail's shared pacing counter.
#include "effects/ribbons.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "effects/random.h"
#include "gfx/gfx_recorder.h"
#include "music/clock.h"

namespace {
constexpr int kDrawnPoints = kRibbonPoints - 1;  // point 0 is never drawn

const float kColours[kRibbonCount][3] = {
    {0.88235295f, 0.39215687f, 0.88235295f},
    {0.39215687f, 0.39215687f, 0.88235295f},
    {0.39215687f, 1.0f, 0.39215687f},
};

class RibbonsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Process start: everything zero, then the initialiser.
    resetRibbons();
    resetMusicClock();
    initRibbons();
  }
  void TearDown() override { resetMusicClock(); }
  // One frame's drawRibbons, recorded.
  std::vector<GfxStrip> drawFrame() {
    recorder.clear();
    drawRibbons();
    return recorder.strips();
  }
  GfxRecorder recorder;
};

// A copy of the three ribbons, to compare before and after a frame.
struct Snapshot {
  Ribbon r[kRibbonCount];
  Snapshot() { std::memcpy(r, ribbons.ribbon, sizeof r); }
};

// Point i of `now` holds point i - 1 of `before`, for i = 1 to 99.
bool shiftedByOne(const Ribbon& before, const Ribbon& now) {
  for (int i = 1; i < kRibbonPoints; ++i) {
    if (now.x[i] != before.x[i - 1] || now.y[i] != before.y[i - 1] || now.z[i] != before.z[i - 1])
      return false;
  }
  return true;
}

bool samePoints(const Ribbon& a, const Ribbon& b) {
  return std::memcmp(a.x, b.x, sizeof a.x) == 0 && std::memcmp(a.y, b.y, sizeof a.y) == 0 &&
         std::memcmp(a.z, b.z, sizeof a.z) == 0;
}

// --- What a frame emits ----------------------------------------------------

TEST_F(RibbonsTest, HiddenRibbonsStillBeginAndEndTheirColouredStripsAndFlush) {
  const GfxCall::Kind expected[] = {GfxCall::Color, GfxCall::PolygonMode, GfxCall::PolygonMode,
                                    GfxCall::Begin, GfxCall::End,         GfxCall::Begin,
                                    GfxCall::Color, GfxCall::End,         GfxCall::Begin,
                                    GfxCall::Color, GfxCall::End,         GfxCall::Flush};
  const size_t colourAt[kRibbonCount] = {0, 6, 9};
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) {  // the first pass is before any mode: mode 3 but hidden
      setRibbonMode(kRibbonSpectrum);
      setRibbonMode(kRibbonHidden);
    }
    drawFrame();
    const auto& calls = recorder.calls();
    ASSERT_EQ(calls.size(), std::size(expected)) << recorder.dump();
    for (size_t k = 0; k < calls.size(); ++k) EXPECT_EQ(calls[k].kind, expected[k]) << k;
    EXPECT_EQ(calls[1].e0, static_cast<unsigned>(GL_FRONT));
    EXPECT_EQ(calls[1].e1, static_cast<unsigned>(GL_FILL));
    EXPECT_EQ(calls[2].e0, static_cast<unsigned>(GL_BACK));
    EXPECT_EQ(calls[2].e1, static_cast<unsigned>(GL_FILL));
    for (size_t k : {3u, 5u, 8u}) EXPECT_EQ(calls[k].e0, static_cast<unsigned>(GL_TRIANGLE_STRIP));
    for (int r = 0; r < kRibbonCount; ++r) {
      const GfxCall& colour = calls[colourAt[r]];
      for (int c = 0; c < 3; ++c) EXPECT_EQ(colour.a[c], kColours[r][c]) << r;
      EXPECT_EQ(colour.a[3], 1.0);
    }
  }
}

TEST_F(RibbonsTest, AVisibleRibbonIsABandBelowAndLeftOfPoints1To99) {
  setRibbonMode(kRibbonSquare);
  const auto strips = drawFrame();
  ASSERT_EQ(strips.size(), 3u);
  for (int r = 0; r < kRibbonCount; ++r) {
    ASSERT_EQ(strips[r].vertices.size(), static_cast<size_t>(2 * kDrawnPoints));
    for (int i = 1; i < kRibbonPoints; ++i) {
      const auto& upper = strips[r].vertices[2 * (i - 1)];
      const auto& lower = strips[r].vertices[2 * (i - 1) + 1];
      EXPECT_EQ(upper.x, ribbons.ribbon[r].x[i]);
      EXPECT_EQ(upper.y, ribbons.ribbon[r].y[i]);
      EXPECT_EQ(upper.z, -5.0);
      EXPECT_NEAR(upper.x, 1.5 + 0.03 * i, 1e-5);
      EXPECT_NEAR(lower.x, upper.x - 0.005, 1e-6);
      EXPECT_NEAR(lower.y, upper.y - 0.01, 1e-6);
      EXPECT_EQ(lower.z, upper.z);
    }
  }
}

// --- The shapes of modes 2, 3 and 4 ---------------------------------------

TEST_F(RibbonsTest, SpectrumModeReadsEachRibbonsOwnStretchAndKeepsPoint0) {
  for (Ribbon& ribbon : ribbons.ribbon) ribbon.y[0] = 0.7f;
  setRibbonMode(kRibbonSpectrum);
  drawFrame();  // silence flattens points 1 to 99
  for (const Ribbon& ribbon : ribbons.ribbon) {
    EXPECT_EQ(ribbon.y[0], 0.7f);
    for (int i = 1; i < kRibbonPoints; ++i) EXPECT_EQ(ribbon.y[i], 0.0f) << i;
  }
  for (int k = 0; k < kSpectrumBins; ++k) musicClock.spectrum[k] = static_cast<float>(k) / 1000.0f;
  drawFrame();
  const int first[kRibbonCount] = {100, 50, 0};
  for (int r = 0; r < kRibbonCount; ++r) {
    EXPECT_EQ(ribbons.ribbon[r].y[0], 0.7f);
    for (int i = 1; i < kRibbonPoints; ++i) EXPECT_EQ(ribbons.ribbon[r].y[i], musicClock.spectrum[first[r] + i]);
  }
}

TEST_F(RibbonsTest, SquareWavesAreHighOnTheirOwnRanges) {
  struct Range {
    int lo, hi;
  };
  const std::vector<Range> high[kRibbonCount] = {
      {{10, 19}, {30, 39}, {50, 59}, {70, 79}, {90, 99}},
      {{15, 29}, {45, 59}, {75, 89}},
      {{5, 24}, {45, 64}, {85, 99}},
  };
  const float height[kRibbonCount] = {0.1f, 0.2f, 0.3f};
  setRibbonMode(kRibbonSquare);
  const auto strips = drawFrame();
  for (int r = 0; r < kRibbonCount; ++r) {
    for (int i = 1; i < kRibbonPoints; ++i) {
      const bool isHigh = std::any_of(high[r].begin(), high[r].end(),
                                      [i](Range g) { return g.lo <= i && i <= g.hi; });
      EXPECT_EQ(ribbons.ribbon[r].y[i], isHigh ? height[r] : 0.0f) << "ribbon " << r << " point " << i;
      EXPECT_EQ(strips[r].vertices[2 * (i - 1)].y, ribbons.ribbon[r].y[i]);
    }
  }
}

TEST_F(RibbonsTest, WaveModeTravelsWithTheMusicClockAtEachRibbonsPhase) {
  const double phase[kRibbonCount] = {0.0, 2.0 * std::numbers::pi / 3.0, std::numbers::pi / 3.0};
  setRibbonMode(kRibbonWave);
  for (int32_t t : {0, 1234, 90000}) {
    musicClock.musicTimeMs = t;
    drawFrame();
    for (int r = 0; r < kRibbonCount; ++r)
      for (int i = 1; i < kRibbonPoints; ++i)
        EXPECT_NEAR(ribbons.ribbon[r].y[i], 0.1 * std::sin(0.002 * t + 0.2 * i + phase[r]), 1e-6)
            << "t " << t << " ribbon " << r << " point " << i;
  }
}

// --- The trail and its shared counter -------------------------------------

TEST_F(RibbonsTest, AtSixteenMsFramesRibbonZeroShiftsFirstInTheSecondFrame) {
  setRibbonMode(kRibbonTrail);
  musicClock.frameDeltaMs = 16;
  Snapshot start;
  drawFrame();
  EXPECT_EQ(ribbons.ribbonAccumMs, 48);
  for (int r = 0; r < kRibbonCount; ++r) EXPECT_TRUE(samePoints(ribbons.ribbon[r], start.r[r])) << r;

  drawFrame();
  EXPECT_EQ(ribbons.ribbonAccumMs, 46);  // 64 - 50 in ribbon 0's step, then 30, 46
  EXPECT_TRUE(shiftedByOne(start.r[0], ribbons.ribbon[0]));
  EXPECT_TRUE(samePoints(ribbons.ribbon[1], start.r[1]));
  EXPECT_TRUE(samePoints(ribbons.ribbon[2], start.r[2]));
}

TEST_F(RibbonsTest, AtFiftyOneMsOrMoreEveryRibbonShiftsEveryFrame) {
  setRibbonMode(kRibbonTrail);
  for (int32_t delta : {51, 80}) {
    musicClock.frameDeltaMs = delta;
    for (int frame = 0; frame < 5; ++frame) {
      Snapshot before;
      const int32_t accum = ribbons.ribbonAccumMs;
      drawFrame();
      EXPECT_EQ(ribbons.ribbonAccumMs, accum + 3 * delta - 150);
      for (int r = 0; r < kRibbonCount; ++r)
        EXPECT_TRUE(shiftedByOne(before.r[r], ribbons.ribbon[r])) << "delta " << delta << " ribbon " << r;
    }
  }
}

TEST_F(RibbonsTest, WithTheClockStandingStillOnlyABankedCounterShifts) {
  setRibbonMode(kRibbonTrail);
  ribbons.ribbonAccumMs = 150;
  musicClock.frameDeltaMs = 0;
  Snapshot before;
  drawFrame();  // 150 -> 100 (ribbon 0), 100 -> 50 (ribbon 1); 50 is not above 50
  EXPECT_EQ(ribbons.ribbonAccumMs, 50);
  EXPECT_TRUE(shiftedByOne(before.r[0], ribbons.ribbon[0]));
  EXPECT_TRUE(shiftedByOne(before.r[1], ribbons.ribbon[1]));
  EXPECT_TRUE(samePoints(ribbons.ribbon[2], before.r[2]));
  Snapshot after;
  drawFrame();
  EXPECT_EQ(ribbons.ribbonAccumMs, 50);
  for (int r = 0; r < kRibbonCount; ++r) EXPECT_TRUE(samePoints(ribbons.ribbon[r], after.r[r]));
}

TEST_F(RibbonsTest, AShiftCarriesPointZerosValueFromBeforeItsJitter) {
  setRibbonMode(kRibbonTrail);
  musicClock.frameDeltaMs = 60;
  Snapshot before;
  const uint32_t generator = randomGenerator.state;
  const auto strips = drawFrame();

  // Three draws per ribbon, x then y then z, ribbons in order: each adds one
  // of -0.1, -0.08, ..., 0.1 to the head.
  randomGenerator.state = generator;
  for (int r = 0; r < kRibbonCount; ++r) {
    const float* oldHead[3] = {&before.r[r].x[0], &before.r[r].y[0], &before.r[r].z[0]};
    const float* newHead[3] = {&ribbons.ribbon[r].x[0], &ribbons.ribbon[r].y[0], &ribbons.ribbon[r].z[0]};
    for (int axis = 0; axis < 3; ++axis) {
      const double jitter = (randomNext() % 11) * 0.02 - 0.1;
      EXPECT_NEAR(*newHead[axis], *oldHead[axis] + jitter, 1e-6) << r << " " << axis;
    }
    // The frame drew point 1 where the head stood before it jittered.
    const auto& drawn = strips[r].vertices[0];
    EXPECT_EQ(drawn.x, before.r[r].x[0]);
    EXPECT_EQ(drawn.y, before.r[r].y[0]);
    EXPECT_EQ(drawn.z, before.r[r].z[0]);
  }

  // The jittered head is first drawn after the next shift.
  Snapshot jittered;
  const auto next = drawFrame();
  for (int r = 0; r < kRibbonCount; ++r) {
    EXPECT_EQ(next[r].vertices[0].x, jittered.r[r].x[0]);
    EXPECT_EQ(next[r].vertices[0].y, jittered.r[r].y[0]);
    EXPECT_EQ(next[r].vertices[0].z, jittered.r[r].z[0]);
  }
}

TEST_F(RibbonsTest, OtherModesLeaveTheCounterAndTheDriftedLineAlone) {
  setRibbonMode(kRibbonTrail);
  musicClock.frameDeltaMs = 100;
  for (int frame = 0; frame < 10; ++frame) drawFrame();
  Snapshot drifted;
  const int32_t accum = ribbons.ribbonAccumMs;
  for (int32_t mode : {kRibbonWave, kRibbonSpectrum, kRibbonSquare, kRibbonHidden}) {
    setRibbonMode(mode);
    drawFrame();
    EXPECT_EQ(ribbons.ribbonAccumMs, accum) << mode;
    for (int r = 0; r < kRibbonCount; ++r) {
      EXPECT_EQ(std::memcmp(ribbons.ribbon[r].x, drifted.r[r].x, sizeof ribbons.ribbon[r].x), 0) << mode;
      EXPECT_EQ(std::memcmp(ribbons.ribbon[r].z, drifted.r[r].z, sizeof ribbons.ribbon[r].z), 0) << mode;
      EXPECT_EQ(ribbons.ribbon[r].y[0], drifted.r[r].y[0]) << mode;
    }
  }
}

// --- Re-initialisation -----------------------------------------------------

TEST_F(RibbonsTest, ReinitResetsModesPointsAndColoursButKeepsVisibilityAndCounter) {
  setRibbonMode(kRibbonTrail);
  musicClock.frameDeltaMs = 37;
  for (int frame = 0; frame < 7; ++frame) drawFrame();
  const int32_t accum = ribbons.ribbonAccumMs;
  ASSERT_NE(accum, 0);

  initRibbons();
  EXPECT_EQ(ribbons.ribbonAccumMs, accum);
  for (int r = 0; r < kRibbonCount; ++r) {
    const Ribbon& ribbon = ribbons.ribbon[r];
    EXPECT_EQ(ribbon.mode, kRibbonSpectrum);
    EXPECT_EQ(ribbon.visible, 1);
    EXPECT_EQ(ribbon.red, kColours[r][0]);
    EXPECT_EQ(ribbon.green, kColours[r][1]);
    EXPECT_EQ(ribbon.blue, kColours[r][2]);
    for (int i = 0; i < kRibbonPoints; ++i) {
      EXPECT_NEAR(ribbon.x[i], 1.5 + 0.03 * i, 1e-5);
      EXPECT_NEAR(ribbon.y[i], 0.1 * std::sin(0.2 * i), 1e-6);
      EXPECT_EQ(ribbon.z[i], -5.0f);
    }
  }
  // Shown in mode 3 right away.
  EXPECT_EQ(drawFrame()[0].vertices.size(), static_cast<size_t>(2 * kDrawnPoints));
}
}  // namespace
