// The show's moments: every change the music clock makes to the picture, in
// one place. Three tables, each in time order: the camera's turns, the title
// cards, and the scenes, each scene with its backdrop, its small card and the
// cues it gives the effects. To move a moment, change its time here: the
// director and the cues walk these tables, and the build makes the music
// anew so that the moment's accent moves with it (tools/assetgen).
//
// Times are ms of music time. Every window is lo < t <= hi. A scene runs from
// its lo to the next scene's lo; the first scene holds every time before the
// second, the last (the end) every time after its lo.
#pragma once

#include <climits>
#include <cstdint>

#include "assets/slots.h"
#include "effects/mesh.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"

// Each moment's name: the music gives each its own accent by it, and tests
// ask by it what a frame at that moment does.
enum class Moment {
  // The camera turns away from its rest position and back.
  TurnAway,
  TurnBack,
  WideTurnAway,
  WideTurnBack,
  QuarterTurn,
  QuarterTurnBack,
  SecondQuarterTurn,
  SecondQuarterTurnBack,
  // The title cards.
  ShowTitle,
  CodeCredits,
  MusicCredits,
  ClosingLine,
  // The scenes.
  Opening,
  FirstDrop,
  Credits,
  CreditsEnd,
  SecondDrop,
  Break,
  SquareRibbons,
  MorphToCube,
  MorphBack,
  SpectrumRibbons,
  Pulse,
  SecondMorphBack,
  WaveRibbons,
  Wobble,
  CardFlash,
  Breakdown,
  ThirdDrop,
  RibbonsGone,
  Bounce,
  BounceEnds,
  BuildUp,
  Finale,
  End,
};

// Each moment's name as people read it (the frame-time report's rows, the
// viewer's line, the page's seek bar), by the enumeration's order.
inline constexpr const char* kMomentNames[] = {
    // The turns.
    "TurnAway", "TurnBack", "WideTurnAway", "WideTurnBack", "QuarterTurn", "QuarterTurnBack",
    "SecondQuarterTurn", "SecondQuarterTurnBack",
    // The title cards.
    "ShowTitle", "CodeCredits", "MusicCredits", "ClosingLine",
    // The scenes.
    "Opening", "FirstDrop", "Credits", "CreditsEnd", "SecondDrop", "Break", "SquareRibbons",
    "MorphToCube", "MorphBack", "SpectrumRibbons", "Pulse", "SecondMorphBack", "WaveRibbons",
    "Wobble", "CardFlash", "Breakdown", "ThirdDrop", "RibbonsGone", "Bounce", "BounceEnds",
    "BuildUp", "Finale", "End",
};
static_assert(sizeof kMomentNames / sizeof kMomentNames[0] == static_cast<int>(Moment::End) + 1,
              "one name per moment");
constexpr const char* momentName(Moment moment) { return kMomentNames[static_cast<int>(moment)]; }

// A camera turn: every frame whose t lies in (lo, hi] adds its frameDeltaMs,
// times the direction, to the yaw accumulator. Half a turn takes 6 s, a
// quarter 3 s; a widening turn also moves the wall out, for good.
constexpr int32_t kTurnAway = +1;
constexpr int32_t kTurnBack = -1;
struct Turn {
  Moment name;
  int32_t lo, hi;
  int32_t direction;  // kTurnAway or kTurnBack
  bool widensWall;
};
inline constexpr Turn kTurns[] = {
    {Moment::TurnAway, 20000, 25999, kTurnAway, false},
    {Moment::TurnBack, 30000, 35999, kTurnBack, false},
    {Moment::WideTurnAway, 41000, 46999, kTurnAway, true},
    {Moment::WideTurnBack, 51000, 56999, kTurnBack, false},
    {Moment::QuarterTurn, 110000, 112999, kTurnAway, true},
    {Moment::QuarterTurnBack, 123000, 125999, kTurnBack, false},
    {Moment::SecondQuarterTurn, 142000, 144999, kTurnAway, true},
    {Moment::SecondQuarterTurnBack, 155000, 157999, kTurnBack, false},
};

// A title card, shown in every frame whose t lies in (lo, hi].
struct Title {
  Moment name;
  int32_t lo, hi;
  int32_t slot;
};
inline constexpr Title kTitles[] = {
    {Moment::ShowTitle, 5000, 9999, kSlotTitleBanner},
    {Moment::CodeCredits, 36000, 40999, kSlotCodeBanner},
    {Moment::MusicCredits, 58000, 62999, kSlotMusicBanner},
    {Moment::ClosingLine, 68000, 72999, kSlotClosingBanner},
};

// The small card of a scene: not drawn, swinging 3 degrees either way, or
// upright.
enum class Card { Hidden, Wobbling, Level };
// Which way a scene slides the small card, one unit per 500 ms of music.
constexpr int32_t kSlideRight = +1;
constexpr int32_t kSlideLeft = -1;

// The cues a scene gives: once, on the first frame that falls into it (a
// scene no frame falls into gives none), or on every frame it holds.
enum class CueKind { None, Once, EveryFrame };
enum class Effect { Nothing, Mesh, Ribbons, Swarm };
struct CueCall {
  Effect effect;
  int32_t code;  // the effect's own mode or state code
};
struct Cue {
  CueKind kind;
  CueCall calls[2];  // made in this order
};
// A cue written in the table's own words, as in
// once(meshTo(kMeshCube), swarmTo(kSpriteRespawn)).
constexpr CueCall meshTo(int32_t code) { return {Effect::Mesh, code}; }
constexpr CueCall ribbonsTo(int32_t mode) { return {Effect::Ribbons, mode}; }
constexpr CueCall swarmTo(int32_t state) { return {Effect::Swarm, state}; }
constexpr Cue once(CueCall first, CueCall second = {}) { return {CueKind::Once, {first, second}}; }
constexpr Cue everyFrame(CueCall call) { return {CueKind::EveryFrame, {call, {}}}; }

// The lo of the first scene: it holds every time up to the second's lo.
constexpr int32_t kFromTheStart = INT32_MIN;
// A scene that chooses no backdrop keeps the one of the scene before. They
// all lie where the camera is at rest and the wall out of view.
constexpr int32_t kKeepBackdrop = -1;

struct Scene {
  Moment name;
  int32_t lo;
  int32_t backdrop = kKeepBackdrop;  // the wall's slot
  Card card = Card::Hidden;
  int32_t cardSlide = 0;      // kSlideRight, kSlideLeft or 0
  bool enablesBlend = false;  // on every frame; nothing disables it again
  bool switchesCard = false;  // the card shows its second picture from here on
  bool spins = false;         // the effect space spins
  bool endsShow = false;      // the show is over: the frame stops after its cues
  Cue cue = {};
};
inline constexpr Scene kScenes[] = {
    {.name = Moment::Opening, .lo = kFromTheStart, .backdrop = kSlotNightWall},
    {.name = Moment::FirstDrop,
     .lo = 25999,
     .backdrop = kSlotStripeWall,
     .enablesBlend = true,
     .cue = once(meshTo(kMeshCube), swarmTo(kSpriteRespawn))},
    {.name = Moment::Credits,
     .lo = 35999,
     .backdrop = kSlotCircuitWall,
     .card = Card::Wobbling,
     .cardSlide = kSlideRight},
    {.name = Moment::CreditsEnd, .lo = 40999, .backdrop = kSlotCircuitWall},
    {.name = Moment::SecondDrop,
     .lo = 46999,
     .backdrop = kSlotRingWall,
     .cue = once(meshTo(kMeshSphere), swarmTo(kSpriteRespawn))},
    {.name = Moment::Break, .lo = 56999, .card = Card::Wobbling, .cardSlide = kSlideLeft},
    {.name = Moment::SquareRibbons,
     .lo = 59999,
     .card = Card::Level,
     .cue = once(ribbonsTo(kRibbonSquare))},
    {.name = Moment::MorphToCube,
     .lo = 62999,
     .card = Card::Wobbling,
     .cue = once(meshTo(kMeshMorphToCube))},
    {.name = Moment::MorphBack,
     .lo = 64999,
     .card = Card::Level,
     .cue = once(ribbonsTo(kRibbonHidden), meshTo(kMeshMorphToSphere))},
    {.name = Moment::SpectrumRibbons,
     .lo = 67999,
     .card = Card::Level,
     .cue = once(ribbonsTo(kRibbonSpectrum))},
    {.name = Moment::Pulse, .lo = 68999, .card = Card::Wobbling, .cue = once(meshTo(kMeshPulse))},
    {.name = Moment::SecondMorphBack,
     .lo = 77999,
     .card = Card::Level,
     .cue = once(ribbonsTo(kRibbonHidden), meshTo(kMeshMorphToSphere))},
    {.name = Moment::WaveRibbons,
     .lo = 79999,
     .card = Card::Level,
     .cue = once(ribbonsTo(kRibbonWave))},
    {.name = Moment::Wobble,
     .lo = 82999,
     .card = Card::Level,
     .cue = once(meshTo(kMeshWobbleSphere))},
    {.name = Moment::CardFlash,
     .lo = 90499,
     .card = Card::Level,
     .switchesCard = true,
     .cue = once(ribbonsTo(kRibbonTrail))},
    {.name = Moment::Breakdown, .lo = 90999},
    {.name = Moment::ThirdDrop,
     .lo = 108999,
     .backdrop = kSlotSunsetWall,
     .cue = everyFrame(meshTo(kMeshSphere))},
    // 122699, not 122999: the ribbons go off the beat.
    {.name = Moment::RibbonsGone,
     .lo = 122699,
     .backdrop = kSlotSunsetWall,
     .cue = everyFrame(ribbonsTo(kRibbonHidden))},
    {.name = Moment::Bounce,
     .lo = 131999,
     .backdrop = kSlotSpaceWall,
     .cue = everyFrame(meshTo(kMeshSatelliteBounce))},
    {.name = Moment::BounceEnds,
     .lo = 141999,
     .backdrop = kSlotSpaceWall,
     .cue = everyFrame(meshTo(kMeshSatelliteSettle))},
    {.name = Moment::BuildUp,
     .lo = 154999,
     .backdrop = kSlotSpaceWall,
     .cue = once(meshTo(kMeshCube))},
    {.name = Moment::Finale, .lo = 158999, .spins = true, .cue = once(meshTo(kMeshWobbleCube))},
    {.name = Moment::End, .lo = 195999, .endsShow = true},
};

// The number of rows of each table.
constexpr int kTurnCount = sizeof kTurns / sizeof kTurns[0];
constexpr int kTitleCount = sizeof kTitles / sizeof kTitles[0];
constexpr int kSceneCount = sizeof kScenes / sizeof kScenes[0];

// The index in kScenes of the scene that holds music time t.
constexpr int sceneAt(int32_t t) {
  int i = 0;
  while (i + 1 < kSceneCount && t > kScenes[i + 1].lo) ++i;
  return i;
}

// The slot the wall shows in scene `index`: its own, or the last one chosen
// before it.
constexpr int32_t backdropOf(int index) {
  while (index > 0 && kScenes[index].backdrop == kKeepBackdrop) --index;
  return kScenes[index].backdrop;
}

// How many scenes give a one-shot cue: each has a flag of its own.
constexpr int countOnceCues() {
  int n = 0;
  for (const Scene& scene : kScenes) n += scene.cue.kind == CueKind::Once;
  return n;
}

// A moment's window, lo < t <= hi. A scene's hi is the next scene's lo; the
// last scene's is INT32_MAX.
struct MomentWindow {
  int32_t lo, hi;
};
constexpr MomentWindow momentWindow(Moment name) {
  for (const Turn& turn : kTurns) {
    if (turn.name == name) return {turn.lo, turn.hi};
  }
  for (const Title& title : kTitles) {
    if (title.name == name) return {title.lo, title.hi};
  }
  for (int i = 0; i < kSceneCount; ++i) {
    if (kScenes[i].name == name)
      return {kScenes[i].lo, i + 1 < kSceneCount ? kScenes[i + 1].lo : INT32_MAX};
  }
  return {0, -1};
}

// The first music time at which the show is over: just after the lo of the
// scene that ends it. A frame whose clock has reached it reports the end; the
// capture tool sizes its work by it.
constexpr int32_t showEndsAtMs() {
  for (const Scene& scene : kScenes) {
    if (scene.endsShow) return scene.lo + 1;
  }
  return INT32_MAX;
}

// The checks a change of the tables must pass, made while compiling.
namespace moments_check {
constexpr bool inTimeOrder() {
  for (int i = 0; i < kTurnCount; ++i) {
    if (kTurns[i].lo >= kTurns[i].hi) return false;
    if (i > 0 && kTurns[i - 1].hi > kTurns[i].lo) return false;
  }
  for (int i = 0; i < kTitleCount; ++i) {
    if (kTitles[i].lo >= kTitles[i].hi) return false;
    if (i > 0 && kTitles[i - 1].hi > kTitles[i].lo) return false;
  }
  for (int i = 1; i < kSceneCount; ++i) {
    if (kScenes[i - 1].lo >= kScenes[i].lo) return false;
  }
  return true;
}

// Every name of the enumeration (Moment::End is its last) on exactly one row.
constexpr bool namesEachMomentOnce() {
  for (int n = 0; n <= static_cast<int>(Moment::End); ++n) {
    int rows = 0;
    for (const Turn& turn : kTurns) rows += static_cast<int>(turn.name) == n;
    for (const Title& title : kTitles) rows += static_cast<int>(title.name) == n;
    for (const Scene& scene : kScenes) rows += static_cast<int>(scene.name) == n;
    if (rows != 1) return false;
  }
  return true;
}

constexpr bool onlyTheLastSceneEndsTheShow() {
  for (int i = 0; i < kSceneCount; ++i) {
    if (kScenes[i].endsShow != (i == kSceneCount - 1)) return false;
  }
  return true;
}
}  // namespace moments_check

static_assert(moments_check::inTimeOrder(), "each table runs in time order");
static_assert(moments_check::namesEachMomentOnce(), "each moment has one row");
static_assert(moments_check::onlyTheLastSceneEndsTheShow(), "the last scene, and only it, ends");
static_assert(kScenes[0].lo == kFromTheStart && kScenes[0].backdrop != kKeepBackdrop,
              "the first scene holds the start and chooses the first backdrop");
