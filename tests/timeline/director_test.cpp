// The frame director at the show's moments: the scenes' walls and cards, the
// camera turns, the title cards, the small card, the wall and the effect
// space, seen through the GL calls a frame makes.
#include "timeline/director.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "assets/textures.h"
#include "gfx/gfx.h"
#include "gfx/gfx_recorder.h"
#include "music/clock.h"
#include "tests/timeline/director_fixture.h"
#include "timeline/moments.h"

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
  musicClock.musicTimeMs = t;
  musicClock.frameDeltaMs = d;
  runTimeline();
  DirectorFrame out;
  const auto& calls = recorder.calls();
  size_t effectSpace = calls.size();
  for (size_t i = 0; i < calls.size(); ++i) {
    const GfxCall& c = calls[i];
    if (c.kind == GfxCall::Translate && c.a[0] == 0 && c.a[1] == 0 && c.a[2] == director.sceneDepth) {
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

TEST_F(DirectorTest, ASceneBeginsJustAfterItsBound) {
  const int32_t drop = momentWindow(Moment::FirstDrop).lo;
  const DirectorFrame before = frameAt(drop, 0);
  EXPECT_EQ(before.wallTexture, textureId(kSlotNightWall));
  EXPECT_FALSE(before.blendEnabled);
  const DirectorFrame after = frameAt(drop + 1, 0);
  EXPECT_EQ(after.wallTexture, textureId(kSlotStripeWall));
  EXPECT_TRUE(after.blendEnabled);
}

TEST_F(DirectorTest, AClockAtOrBelowZeroIsInTheOpening) {
  for (int32_t t : {0, -5}) {
    const DirectorFrame f = frameAt(t, 0);
    EXPECT_EQ(f.wallTexture, textureId(kSlotNightWall));
    EXPECT_FALSE(f.cardTexture);
    EXPECT_FALSE(f.titleTexture);
  }
}

// Each wall from the first to the last ms of its scene.
TEST_F(DirectorTest, TheWallShowsTheBackdropOfEachScene) {
  const struct {
    Moment scene;
    int32_t slot;
  } kWalls[] = {
      {Moment::Opening, kSlotNightWall},      {Moment::FirstDrop, kSlotStripeWall},
      {Moment::Credits, kSlotCircuitWall},    {Moment::CreditsEnd, kSlotCircuitWall},
      {Moment::SecondDrop, kSlotRingWall},    {Moment::ThirdDrop, kSlotSunsetWall},
      {Moment::RibbonsGone, kSlotSunsetWall}, {Moment::Bounce, kSlotSpaceWall},
      {Moment::BounceEnds, kSlotSpaceWall},   {Moment::BuildUp, kSlotSpaceWall},
  };
  for (const auto& w : kWalls) {
    for (int32_t t : {std::max(firstMs(w.scene), 0), lastMs(w.scene)}) {
      SCOPED_TRACE("t = " + std::to_string(t));
      EXPECT_EQ(frameAt(t, 0).wallTexture, textureId(w.slot));
    }
  }
}

// Where the camera rests the wall lies out of view; those scenes choose no
// backdrop and keep the one before.
TEST_F(DirectorTest, ScenesThatChooseNoBackdropKeepTheOneBefore) {
  for (Moment m : {Moment::Break, Moment::CardFlash, Moment::Breakdown})
    EXPECT_EQ(frameAt(middleMs(m), 0).wallTexture, textureId(kSlotRingWall));
  EXPECT_EQ(frameAt(middleMs(Moment::Finale), 0).wallTexture, textureId(kSlotSpaceWall));
}

TEST_F(DirectorTest, TheSmallCardShowsFromTheCreditsToTheCardFlashButNotBetweenTheDrops) {
  for (Moment m :
       {Moment::Credits, Moment::Break, Moment::SquareRibbons, Moment::MorphToCube,
        Moment::MorphBack, Moment::SpectrumRibbons, Moment::Pulse, Moment::SecondMorphBack,
        Moment::WaveRibbons, Moment::Wobble, Moment::CardFlash}) {
    EXPECT_TRUE(frameAt(firstMs(m), 0).cardTexture) << "at " << firstMs(m);
    EXPECT_TRUE(frameAt(lastMs(m), 0).cardTexture) << "at " << lastMs(m);
  }
  for (Moment m : {Moment::FirstDrop, Moment::CreditsEnd, Moment::SecondDrop, Moment::Breakdown,
                   Moment::ThirdDrop, Moment::Finale}) {
    EXPECT_FALSE(frameAt(firstMs(m), 0).cardTexture) << "at " << firstMs(m);
    EXPECT_FALSE(frameAt(lastMs(m), 0).cardTexture) << "at " << lastMs(m);
  }
}

TEST_F(DirectorTest, TitleCardsShowInTheirWindows) {
  const MomentWindow name = momentWindow(Moment::ShowTitle);
  EXPECT_FALSE(frameAt(name.lo, 0).titleTexture);
  EXPECT_EQ(frameAt(name.lo + 1, 0).titleTexture, textureId(kSlotTitleBanner));
  EXPECT_EQ(frameAt(name.hi, 0).titleTexture, textureId(kSlotTitleBanner));
  EXPECT_FALSE(frameAt(name.hi + 1, 0).titleTexture);
  EXPECT_EQ(frameAt(middleMs(Moment::CodeCredits), 0).titleTexture, textureId(kSlotCodeBanner));
  EXPECT_EQ(frameAt(middleMs(Moment::MusicCredits), 0).titleTexture, textureId(kSlotMusicBanner));
  EXPECT_EQ(frameAt(middleMs(Moment::ClosingLine), 0).titleTexture, textureId(kSlotClosingBanner));
  EXPECT_FALSE(frameAt(lastMs(Moment::ClosingLine) + 1, 0).titleTexture);
}

TEST_F(DirectorTest, TheCodeCreditsShowWithTheWobblingCardBeforeTheCircuitWall) {
  const int32_t t = middleMs(Moment::CodeCredits);
  ASSERT_EQ(sceneAt(t), sceneAt(firstMs(Moment::Credits)));
  const DirectorFrame f = frameAt(t, 0);
  EXPECT_EQ(f.titleTexture, textureId(kSlotCodeBanner));
  EXPECT_EQ(f.cardTexture, textureId(kSlotEmblemCard));
  EXPECT_NE(f.cardAngle, 0.0);
  EXPECT_EQ(f.wallTexture, textureId(kSlotCircuitWall));
}

TEST_F(DirectorTest, YawFollowsTheTurnsAndAFrameAddsItsWholeDelta) {
  const MomentWindow away = momentWindow(Moment::TurnAway);
  // Frames of varying length; the first inside the turn brings its whole 33 ms.
  const int32_t frames[][2] = {{away.lo - 32, 16},
                               {away.lo + 1, 33},
                               {away.lo + 40, 39},
                               {away.hi - 9, 5950},
                               {away.hi + 11, 20}};
  for (const auto& f : frames) frameAt(f[0], f[1]);
  EXPECT_EQ(director.cameraYawMs, 5000 + 33 + 39 + 5950);
  EXPECT_NEAR(frameAt(away.hi + 1001, 990).yawAngle, -(33 + 39 + 5950) * 0.03, 1e-3);
  // Turning back subtracts.
  const int32_t back = momentWindow(Moment::TurnBack).lo;
  frameAt(back + 16, 16);
  EXPECT_EQ(director.cameraYawMs, 5000 + 33 + 39 + 5950 - 16);
  // A frame with no delta changes nothing.
  frameAt(back + 17, 0);
  EXPECT_EQ(director.cameraYawMs, 5000 + 33 + 39 + 5950 - 16);
}

TEST_F(DirectorTest, ATurnNoFrameFallsIntoAddsNothingButTheReturnStillSubtracts) {
  const MomentWindow away = momentWindow(Moment::TurnAway);
  const MomentWindow back = momentWindow(Moment::TurnBack);
  frameAt(away.lo - 1000, 16);
  frameAt(away.hi + 1001, 8000);  // from before the turn to after it in one step
  EXPECT_EQ(director.cameraYawMs, 5000);
  frameAt(back.lo + 3000, 6000);
  EXPECT_EQ(director.cameraYawMs, -1000);
  EXPECT_NEAR(frameAt(back.hi + 4001, 7000).yawAngle, 180.0, 1e-3);
}

TEST_F(DirectorTest, WallMovesOutOnTheFirstWideningTurnForGood) {
  const int32_t widening = momentWindow(Moment::WideTurnAway).lo;
  EXPECT_EQ(frameAt(widening, 16).wallX, -3.0);
  EXPECT_EQ(director.wideWall, 0);
  EXPECT_EQ(frameAt(widening + 1, 1).wallX, -5.0);
  EXPECT_EQ(frameAt(middleMs(Moment::Break), 16).wallX, -5.0);
  EXPECT_EQ(frameAt(lastMs(Moment::Finale), 16).wallX, -5.0);
}

TEST_F(DirectorTest, CardSlidesRightInTheCreditsAndLeftInTheBreak) {
  const MomentWindow credits = momentWindow(Moment::Credits);
  for (int32_t t = credits.lo + 1; t <= credits.hi; t += 20) frameAt(t, 20);
  EXPECT_NEAR(director.cardOffsetX, 250 * 20 / 500.0, 1e-3);
  frameAt(credits.hi + 51, 51);  // the scene after holds it
  EXPECT_NEAR(director.cardOffsetX, 10.0, 1e-3);
  const MomentWindow pause = momentWindow(Moment::Break);
  for (int32_t t = pause.lo + 21; t <= pause.hi; t += 20) frameAt(t, 20);
  EXPECT_NEAR(director.cardOffsetX, 10.0 - 149 * 20 / 500.0, 1e-3);
  const DirectorFrame f = frameAt(middleMs(Moment::SquareRibbons), 1001);
  EXPECT_NEAR(f.cardOffset, director.cardOffsetX, 1e-6);
}

TEST_F(DirectorTest, WobblingAndLevelCards) {
  const int32_t t = middleMs(Moment::Credits);
  const DirectorFrame wobbling = frameAt(t, 0);
  EXPECT_NEAR(wobbling.cardAngle, 3.0 * std::sin(t / 100.0), 1e-5);
  const DirectorFrame level = frameAt(middleMs(Moment::SquareRibbons), 0);
  ASSERT_TRUE(level.cardTexture);
  EXPECT_EQ(level.cardAngle, 0.0);
}

TEST_F(DirectorTest, CardSwitchesToItsSecondPictureAtTheFlashForGood) {
  EXPECT_EQ(frameAt(lastMs(Moment::Wobble), 0).cardTexture, textureId(kSlotEmblemCard));
  EXPECT_EQ(frameAt(middleMs(Moment::CardFlash), 0).cardTexture, textureId(kSlotFlashCard));
  EXPECT_EQ(director.cardSlot, kSlotFlashCard);
  EXPECT_FALSE(frameAt(firstMs(Moment::Breakdown), 0).cardTexture);
  EXPECT_EQ(director.cardSlot, kSlotFlashCard);
}

TEST_F(DirectorTest, BlendingIsSetAtTheFirstDropOnly) {
  const MomentWindow drop = momentWindow(Moment::FirstDrop);
  EXPECT_FALSE(frameAt(drop.lo, 0).blendEnabled);
  EXPECT_TRUE(frameAt(drop.lo + 1, 0).blendEnabled);
  EXPECT_TRUE(frameAt(drop.hi, 0).blendEnabled);
  EXPECT_FALSE(frameAt(drop.hi + 1, 0).blendEnabled);
}

TEST_F(DirectorTest, TheFinaleSpinsTheEffectSpace) {
  const int32_t finale = momentWindow(Moment::Finale).lo;
  frameAt(finale, 16);
  EXPECT_EQ(director.sceneSpinY, 0.0f);
  frameAt(finale + 16, 16);
  frameAt(finale + 32, 16);
  frameAt(finale + 32, 0);
  EXPECT_FLOAT_EQ(director.sceneSpinY, 2 * 16 * 0.2f / 16);
  EXPECT_FLOAT_EQ(director.sceneSpinX, 2 * 16 * 0.4f / 16);
  const DirectorFrame f = frameAt(finale + 41, 9);
  EXPECT_FLOAT_EQ(static_cast<float>(f.spinY), director.sceneSpinY);
  EXPECT_FLOAT_EQ(static_cast<float>(f.spinX), director.sceneSpinX);
}
}  // namespace
