// The frame director: the scene chain's windows, the camera turns, the title
// cards, the small card, the wall and the effect space, seen through the GL
// calls a frame makes.
#include "timeline/director.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "assets/textures.h"
#include "music/clock.h"
#include "platform/gfx.h"
#include "tests/support/gfx_recorder.h"
#include "tests/timeline/director_fixture.h"
#include "timeline/cues.h"

namespace {
// What the director itself drew in one frame, before the effect space.
struct DirectorFrame {
  std::optional<unsigned> titleTexture;
  std::optional<unsigned> cardTexture;
  double cardAngle = 0, cardOffset = 0;
  unsigned wallTexture = 0;
  double wallX = 0;
  bool blendEnabled = false;
  double yawAngle = 0;
  double spinY = 0, spinX = 0;
};

// Records one frame at (t, d) and picks the director's own quads out of it:
// the title card lies at z = -5, the small card at z = -10, the wall is the
// strip whose vertices share one x. The effects come after the push of the
// effect space and are left out.
DirectorFrame frameAt(int32_t t, int32_t d) {
  GfxRecorder recorder;
  musicTimeMs = t;
  frameDeltaMs = d;
  runTimeline();
  DirectorFrame out;
  const auto& calls = recorder.calls();
  size_t effectSpace = calls.size();
  for (size_t i = 0; i < calls.size(); ++i) {
    const GfxCall& c = calls[i];
    if (c.kind == GfxCall::Translate && c.a[0] == 0 && c.a[1] == 0 && c.a[2] == sceneDepth) {
      effectSpace = i;
      out.spinY = calls[i + 1].a[0];
      out.spinX = calls[i + 2].a[0];
      break;
    }
    if (c.kind == GfxCall::Enable && c.e0 == GL_BLEND) out.blendEnabled = true;
  }
  EXPECT_LT(effectSpace, calls.size()) << "no effect space in\n" << recorder.dump();
  EXPECT_EQ(calls[0].kind, GfxCall::Rotate);
  out.yawAngle = calls[0].a[0];
  unsigned texture = 0;
  for (size_t i = 0; i < effectSpace; ++i) {
    const GfxCall& c = calls[i];
    if (c.kind == GfxCall::BindTexture) texture = c.e1;
    if (c.kind == GfxCall::Translate && c.a[1] == 0 && c.a[2] == 0 && i + 1 < effectSpace &&
        calls[i + 1].kind == GfxCall::Rotate) {
      out.cardOffset = c.a[0];
      out.cardAngle = calls[i + 1].a[0];
    }
    if (c.kind != GfxCall::Vertex) continue;
    if (c.a[2] == -5.0 && (c.a[0] == -3.0 || c.a[0] == 3.0)) out.titleTexture = texture;
    if (c.a[2] == -10.0) out.cardTexture = texture;
    if (c.a[2] == 1.0) {
      out.wallTexture = texture;
      out.wallX = c.a[0];
    }
  }
  return out;
}

class DirectorTest : public DirectorFixture {};

// The chain's windows as the show has them: upper bound, backdrop slot (0
// where the window keeps the one before), and whether the small card shows.
struct ExpectedWindow {
  int32_t hi;
  unsigned backdrop;
  bool card;
};
constexpr ExpectedWindow kExpected[] = {
    {25999, 3, false},   {35999, 6, false},   {40999, 7, true},    {46999, 7, false},
    {56999, 8, false},   {59999, 0, true},    {62999, 0, true},    {64999, 0, true},
    {67999, 0, true},    {68999, 0, true},    {77999, 0, true},    {79999, 0, true},
    {82999, 0, true},    {90499, 0, true},    {90999, 0, true},    {108999, 0, false},
    {122699, 17, false}, {131999, 17, false}, {141999, 18, false}, {154999, 18, false},
    {158999, 18, false}, {195999, 0, false}};

TEST_F(DirectorTest, EveryChainWindowStartsJustAfterThePreviousBound) {
  int32_t lo = -1000;
  for (int w = 0; w < kChainWindows - 1; ++w) {
    const ExpectedWindow& e = kExpected[w];
    for (int32_t t : {lo + 1, e.hi}) {
      SCOPED_TRACE("window " + std::to_string(w + 1) + " at t = " + std::to_string(t));
      EXPECT_EQ(chainWindowAt(t), w + 1);
      const DirectorFrame f = frameAt(t, 0);
      if (e.backdrop) {
        EXPECT_EQ(f.wallTexture, textureId(static_cast<int32_t>(e.backdrop)));
      }
      EXPECT_EQ(f.cardTexture.has_value(), e.card);
    }
    EXPECT_EQ(chainWindowAt(e.hi + 1), w + 2);
    lo = e.hi;
  }
}

TEST_F(DirectorTest, BoundsThatMatter) {
  EXPECT_EQ(chainWindowAt(0), 1);
  EXPECT_EQ(chainWindowAt(-5), 1);
  EXPECT_EQ(frameAt(25999, 0).wallTexture, textureId(3));
  EXPECT_EQ(frameAt(26000, 0).wallTexture, textureId(6));
  EXPECT_EQ(chainWindowAt(122699), 17);  // not 122999
  EXPECT_EQ(chainWindowAt(122700), 18);
  EXPECT_EQ(chainWindowAt(195999), 22);
  EXPECT_EQ(chainWindowAt(196000), 23);
}

TEST_F(DirectorTest, TitleCardsShowInTheirFourWindows) {
  EXPECT_FALSE(frameAt(5000, 0).titleTexture);
  EXPECT_EQ(frameAt(5001, 0).titleTexture, textureId(13));
  EXPECT_EQ(frameAt(9999, 0).titleTexture, textureId(13));
  EXPECT_FALSE(frameAt(10000, 0).titleTexture);
  EXPECT_EQ(frameAt(38000, 0).titleTexture, textureId(14));
  EXPECT_EQ(frameAt(60000, 0).titleTexture, textureId(16));
  EXPECT_EQ(frameAt(70000, 0).titleTexture, textureId(15));
  EXPECT_FALSE(frameAt(73000, 0).titleTexture);
}

TEST_F(DirectorTest, YawFollowsTheWindowsAndAFrameAddsItsWholeDelta) {
  // Frames of varying length; the one at 20001 brings its whole 33 ms.
  const int32_t frames[][2] = {{19968, 16}, {20001, 33}, {20040, 39}, {25990, 5950}, {26010, 20}};
  for (const auto& f : frames) frameAt(f[0], f[1]);
  EXPECT_EQ(cameraYawMs, 5000 + 33 + 39 + 5950);
  EXPECT_NEAR(frameAt(27000, 990).yawAngle, -(33 + 39 + 5950) * 0.03, 1e-3);
  // Turning back: 30000 < t <= 35999 subtracts.
  frameAt(30016, 16);
  EXPECT_EQ(cameraYawMs, 5000 + 33 + 39 + 5950 - 16);
  // A frame with no delta changes nothing.
  frameAt(30017, 0);
  EXPECT_EQ(cameraYawMs, 5000 + 33 + 39 + 5950 - 16);
}

TEST_F(DirectorTest, AWindowNoFrameFallsIntoAddsNothingButTheReturnStillSubtracts) {
  frameAt(19000, 16);
  frameAt(27000, 8000);  // from before 20000 to after 25999 in one step
  EXPECT_EQ(cameraYawMs, 5000);
  frameAt(33000, 6000);
  EXPECT_EQ(cameraYawMs, -1000);
  EXPECT_NEAR(frameAt(40000, 7000).yawAngle, 180.0, 1e-3);
}

TEST_F(DirectorTest, WallMovesOutOnTheFirstWideningTurnForGood) {
  EXPECT_EQ(frameAt(41000, 16).wallX, -3.0);
  EXPECT_EQ(wideWall, 0);
  EXPECT_EQ(frameAt(41001, 1).wallX, -5.0);
  EXPECT_EQ(frameAt(57000, 16).wallX, -5.0);
  EXPECT_EQ(frameAt(195000, 16).wallX, -5.0);
}

TEST_F(DirectorTest, CardSlidesRightInWindowThreeAndLeftInWindowSix) {
  for (int32_t t = 36000; t <= 40999; t += 20) frameAt(t, 20);
  EXPECT_NEAR(cardOffsetX, 250 * 20 / 500.0, 1e-3);
  frameAt(41050, 51);  // window 4 holds it
  EXPECT_NEAR(cardOffsetX, 10.0, 1e-3);
  for (int32_t t = 57020; t <= 59999; t += 20) frameAt(t, 20);
  EXPECT_NEAR(cardOffsetX, 10.0 - 149 * 20 / 500.0, 1e-3);
  const DirectorFrame f = frameAt(61000, 1001);
  EXPECT_NEAR(f.cardOffset, cardOffsetX, 1e-6);
}

TEST_F(DirectorTest, WobblingAndLevelCards) {
  const DirectorFrame wobbling = frameAt(38000, 0);
  EXPECT_NEAR(wobbling.cardAngle, 3.0 * std::sin(380.0), 1e-5);
  const DirectorFrame level = frameAt(61000, 0);
  ASSERT_TRUE(level.cardTexture);
  EXPECT_EQ(level.cardAngle, 0.0);
}

TEST_F(DirectorTest, CardSwitchesToItsSecondPictureInWindowFifteenForGood) {
  EXPECT_EQ(frameAt(90499, 0).cardTexture, textureId(9));
  EXPECT_EQ(frameAt(90600, 0).cardTexture, textureId(12));
  EXPECT_EQ(cardSlot, 12);
  EXPECT_FALSE(frameAt(91000, 0).cardTexture);
  EXPECT_EQ(cardSlot, 12);
}

TEST_F(DirectorTest, BlendingIsSetInWindowTwoOnly) {
  EXPECT_FALSE(frameAt(25999, 0).blendEnabled);
  EXPECT_TRUE(frameAt(26000, 0).blendEnabled);
  EXPECT_TRUE(frameAt(35999, 0).blendEnabled);
  EXPECT_FALSE(frameAt(36000, 0).blendEnabled);
}

TEST_F(DirectorTest, TheFinaleSpinsTheEffectSpace) {
  frameAt(158999, 16);
  EXPECT_EQ(sceneSpinY, 0.0f);
  frameAt(159015, 16);
  frameAt(159031, 16);
  frameAt(159031, 0);
  EXPECT_FLOAT_EQ(sceneSpinY, 2 * 16 * 0.2f / 16);
  EXPECT_FLOAT_EQ(sceneSpinX, 2 * 16 * 0.4f / 16);
  const DirectorFrame f = frameAt(159040, 9);
  EXPECT_FLOAT_EQ(static_cast<float>(f.spinY), sceneSpinY);
  EXPECT_FLOAT_EQ(static_cast<float>(f.spinX), sceneSpinX);
}
}  // namespace
