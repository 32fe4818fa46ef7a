// The show's design values, typed here once from the show's design and
// nowhere taken from timeline/moments.h: every scene's window, the backdrop
// its wall bears, its small card, its other settings and the cue it gives,
// the camera's turns and the title cards. The director is run at the edges of
// every window and what it draws and tells the effects is held against this
// table, so a changed row of moments.h (a time, a slot, a code, a kind of
// cue) fails here, while the other tests follow moments.h by name.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gfx/gfx_recorder.h"
#include "tests/timeline/director_fixture.h"
#include "timeline/director.h"

namespace {
// The table of truth. Times in ms of music time, windows lo < t <= hi; slots,
// codes and states as numbers.
constexpr int32_t kNone = -1;

struct TurnTruth {
  int32_t lo, hi;
  int32_t direction;  // +1 adds the frame's delta to the yaw, -1 takes it off
  bool widens;        // moves the wall out to x = -5 for good
};
constexpr TurnTruth kTurnTruth[] = {
    {20000, 25999, +1, false},  {30000, 35999, -1, false},  {41000, 46999, +1, true},
    {51000, 56999, -1, false},  {110000, 112999, +1, true}, {123000, 125999, -1, false},
    {142000, 144999, +1, true}, {155000, 157999, -1, false},
};

struct TitleTruth {
  int32_t lo, hi;
  int32_t slot;
};
constexpr TitleTruth kTitleTruth[] = {
    {5000, 9999, 13},
    {36000, 40999, 14},
    {58000, 62999, 16},
    {68000, 72999, 15},
};

enum class CardTruth { Hidden, Wobbling, Level };
enum class CueTruth { None, Once, EveryFrame };
struct Call {
  char effect;  // 'm' mesh, 'r' ribbons, 's' swarm
  int32_t code;
  bool operator==(const Call&) const = default;
};
struct SceneTruth {
  int32_t lo, hi;   // the first scene from the start, the last to no end
  int32_t wall;     // the slot the wall bears (where a scene chooses none,
                    // the one chosen last)
  CardTruth card;
  int32_t slide;    // the card moves by slide * d / 500 per frame
  int32_t cardSlot; // the card's slot when shown
  bool blends;      // GL_BLEND switched on every frame
  bool spins;       // the effect space spins
  CueTruth cue;
  std::vector<Call> calls;
};
const SceneTruth kSceneTruth[] = {
    {INT32_MIN, 25999, 3, CardTruth::Hidden, 0, 9, false, false, CueTruth::None, {}},
    {25999, 35999, 6, CardTruth::Hidden, 0, 9, true, false, CueTruth::Once, {{'m', 2}, {'s', 8}}},
    {35999, 40999, 7, CardTruth::Wobbling, +1, 9, false, false, CueTruth::None, {}},
    {40999, 46999, 7, CardTruth::Hidden, 0, 9, false, false, CueTruth::None, {}},
    {46999, 56999, 8, CardTruth::Hidden, 0, 9, false, false, CueTruth::Once, {{'m', 1}, {'s', 8}}},
    {56999, 59999, 8, CardTruth::Wobbling, -1, 9, false, false, CueTruth::None, {}},
    {59999, 62999, 8, CardTruth::Level, 0, 9, false, false, CueTruth::Once, {{'r', 4}}},
    {62999, 64999, 8, CardTruth::Wobbling, 0, 9, false, false, CueTruth::Once, {{'m', 6}}},
    {64999, 67999, 8, CardTruth::Level, 0, 9, false, false, CueTruth::Once, {{'r', 0}, {'m', 5}}},
    {67999, 68999, 8, CardTruth::Level, 0, 9, false, false, CueTruth::Once, {{'r', 3}}},
    {68999, 77999, 8, CardTruth::Wobbling, 0, 9, false, false, CueTruth::Once, {{'m', 8}}},
    {77999, 79999, 8, CardTruth::Level, 0, 9, false, false, CueTruth::Once, {{'r', 0}, {'m', 5}}},
    {79999, 82999, 8, CardTruth::Level, 0, 9, false, false, CueTruth::Once, {{'r', 2}}},
    {82999, 90499, 8, CardTruth::Level, 0, 9, false, false, CueTruth::Once, {{'m', 3}}},
    {90499, 90999, 8, CardTruth::Level, 0, 12, false, false, CueTruth::Once, {{'r', 1}}},
    {90999, 108999, 8, CardTruth::Hidden, 0, 9, false, false, CueTruth::None, {}},
    {108999, 122699, 17, CardTruth::Hidden, 0, 9, false, false, CueTruth::EveryFrame, {{'m', 1}}},
    {122699, 131999, 17, CardTruth::Hidden, 0, 9, false, false, CueTruth::EveryFrame, {{'r', 0}}},
    {131999, 141999, 18, CardTruth::Hidden, 0, 9, false, false, CueTruth::EveryFrame, {{'m', 10}}},
    {141999, 154999, 18, CardTruth::Hidden, 0, 9, false, false, CueTruth::EveryFrame, {{'m', 11}}},
    {154999, 158999, 18, CardTruth::Hidden, 0, 9, false, false, CueTruth::Once, {{'m', 2}}},
    {158999, 195999, 18, CardTruth::Hidden, 0, 9, false, true, CueTruth::Once, {{'m', 4}}},
};
// The first time at which a frame ends the show instead of drawing it.
constexpr int32_t kEndsAfter = 195999;

// What one frame drew and told the effects.
std::vector<Call> calls;
struct Seen {
  int32_t wall = kNone;  // the slot the wall bore
  int32_t title = kNone;
  int32_t cardSlot = kNone;  // kNone: no small card
  double cardAngle = 0;
  double cardOffset = 0;
  bool blends = false;
  double spinY = 0, spinX = 0;
  std::vector<Call> calls;
  int result = 0;
};

int32_t slotOf(unsigned texture) {
  return texture >= kFakeTextureBase ? static_cast<int32_t>(texture - kFakeTextureBase) : kNone;
}

bool isAt(const GfxStrip::Vertex& v, double x, double y, double z) {
  return v.x == x && v.y == y && v.z == z;
}

class DesignValues : public DirectorFixture {
 protected:
  void SetUp() override {
    DirectorFixture::SetUp();
    saved = cueSetters;
    cueSetters = {[](int32_t c) { calls.push_back({'m', c}); },
                  [](int32_t c) { calls.push_back({'r', c}); },
                  [](int32_t c) { calls.push_back({'s', c}); }};
  }
  void TearDown() override {
    cueSetters = saved;
    DirectorFixture::TearDown();
  }

  // One frame at t with delta d, from the state the earlier frames left.
  static Seen frame(int32_t t, int32_t d = 16) {
    calls.clear();
    musicClock.musicTimeMs = t;
    musicClock.frameDeltaMs = d;
    GfxRecorder recorder;
    Seen seen;
    seen.result = runTimeline();
    seen.calls = calls;
    for (const GfxStrip& strip : recorder.strips()) {
      if (strip.vertices.size() != 4) continue;
      const GfxStrip::Vertex& first = strip.vertices[0];
      if (isAt(first, -3, 2, -5) && isAt(strip.vertices[3], 3, 1, -5)) {
        seen.title = slotOf(strip.texture);
      } else if (isAt(first, -0.5, 0.5, -10)) {
        seen.cardSlot = slotOf(strip.texture);
      } else if (first.y == 2 && first.z == -2 && (first.x == -3 || first.x == -5)) {
        seen.wall = slotOf(strip.texture);
      }
    }
    const std::vector<GfxCall>& all = recorder.calls();
    for (size_t i = 0; i < all.size(); ++i) {
      const GfxCall& c = all[i];
      if (c.kind == GfxCall::Enable && c.e0 == GL_BLEND) seen.blends = true;
      // The card: translated by its offset, then turned about z.
      if (c.kind == GfxCall::Rotate && c.a[3] == 1 && i > 0 &&
          all[i - 1].kind == GfxCall::Translate && all[i - 1].a[1] == 0 &&
          all[i - 1].a[2] == 0) {
        seen.cardOffset = all[i - 1].a[0];
        seen.cardAngle = c.a[0];
      }
      // The effect space: pushed 5 into the screen, then the two spins.
      if (c.kind == GfxCall::Translate && c.a[0] == 0 && c.a[1] == 0 && c.a[2] == -5 &&
          i + 2 < all.size()) {
        seen.spinY = all[i + 1].a[0];
        seen.spinX = all[i + 2].a[0];
      }
    }
    return seen;
  }

  // A frame at t from the state at program start.
  static Seen freshFrame(int32_t t, int32_t d = 16) {
    resetDirector();
    resetCues();
    return frame(t, d);
  }
  CueSetters saved{};
};

std::string where(const SceneTruth& s, int32_t t) {
  return "scene (" + std::to_string(s.lo) + ", " + std::to_string(s.hi) + "] at " +
         std::to_string(t);
}

TEST_F(DesignValues, EverySceneBearsItsWallCardAndSettingsFromItsFirstMsToItsLast) {
  for (const SceneTruth& s : kSceneTruth) {
    const int32_t first = s.lo == INT32_MIN ? 0 : s.lo + 1;
    for (const int32_t t : {first, s.hi}) {
      SCOPED_TRACE(where(s, t));
      const Seen seen = freshFrame(t);
      EXPECT_EQ(seen.result, 1);
      EXPECT_EQ(seen.wall, s.wall);
      EXPECT_EQ(seen.cardSlot, s.card == CardTruth::Hidden ? kNone : s.cardSlot);
      if (s.card == CardTruth::Wobbling) {
        EXPECT_FLOAT_EQ(seen.cardAngle, static_cast<float>(3 * std::sin(t / 100.0)));
      }
      if (s.card == CardTruth::Level) {
        EXPECT_EQ(seen.cardAngle, 0.0);
      }
      EXPECT_EQ(seen.blends, s.blends);
      // From rest, one frame of 16 ms: the card moves by 16 / 500, the space
      // spins by 16 * 0.2 / 16 and 16 * 0.4 / 16 degrees.
      if (s.card != CardTruth::Hidden) {
        EXPECT_FLOAT_EQ(seen.cardOffset, s.slide * 16 / 500.0f);
      }
      EXPECT_FLOAT_EQ(seen.spinY, s.spins ? 0.2f : 0.0f);
      EXPECT_FLOAT_EQ(seen.spinX, s.spins ? 0.4f : 0.0f);
    }
  }
}

TEST_F(DesignValues, EverySceneGivesItsCueOnItsFirstFrameAndAgainOnlyIfEveryFrame) {
  for (const SceneTruth& s : kSceneTruth) {
    const int32_t first = s.lo == INT32_MIN ? 0 : s.lo + 1;
    for (const int32_t t : {first, s.hi}) {
      SCOPED_TRACE(where(s, t));
      EXPECT_EQ(freshFrame(t).calls, s.calls);
      EXPECT_EQ(frame(t).calls, s.cue == CueTruth::EveryFrame ? s.calls : std::vector<Call>{});
    }
  }
}

TEST_F(DesignValues, TheShowEndsOnTheFirstFrameAfterItsLastScene) {
  EXPECT_EQ(freshFrame(kEndsAfter).result, 1);
  const Seen end = freshFrame(kEndsAfter + 1);
  EXPECT_EQ(end.result, 0);
  EXPECT_EQ(end.wall, kNone) << "the frame that ends the show draws no wall";
}

TEST_F(DesignValues, TheCameraTurnsOnlyInsideItsWindowsAndTheWidestMoveTheWallOut) {
  for (const TurnTruth& turn : kTurnTruth) {
    SCOPED_TRACE(turn.lo);
    for (const int32_t t : {turn.lo + 1, turn.hi}) {
      resetDirector();
      frame(t, 100);
      EXPECT_EQ(director.cameraYawMs, kCameraYawRestMs + turn.direction * 100) << t;
      EXPECT_EQ(director.wideWall, turn.widens ? 1 : 0) << t;
    }
    for (const int32_t t : {turn.lo, turn.hi + 1}) {
      resetDirector();
      frame(t, 100);
      EXPECT_EQ(director.cameraYawMs, kCameraYawRestMs) << t;
    }
  }
}

TEST_F(DesignValues, EveryTitleCardShowsItsPictureFromItsFirstMsToItsLast) {
  for (const TitleTruth& title : kTitleTruth) {
    SCOPED_TRACE(title.lo);
    EXPECT_EQ(freshFrame(title.lo).title, kNone);
    EXPECT_EQ(freshFrame(title.lo + 1).title, title.slot);
    EXPECT_EQ(freshFrame(title.hi).title, title.slot);
    EXPECT_EQ(freshFrame(title.hi + 1).title, kNone);
  }
}
}  // namespace
