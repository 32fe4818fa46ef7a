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
  bool operator==(const Turn&) const = default;
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
  bool operator==(const Title&) const = default;
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
constexpr int32_t kNoSlide = 0;

// The cues a scene gives: once, on the first frame that falls into it (a
// scene no frame falls into gives none), or on every frame it holds.
enum class CueKind { None, Once, EveryFrame };
enum class Effect { Nothing, Mesh, Ribbons, Swarm };
struct CueCall {
  Effect effect;
  int32_t code;  // the effect's own mode or state code
  bool operator==(const CueCall&) const = default;
};
struct Cue {
  CueKind kind;
  CueCall calls[2];  // made in this order
  bool operator==(const Cue&) const = default;
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
  int32_t cardSlide = kNoSlide;  // kSlideRight, kSlideLeft or kNoSlide
  bool enablesBlend = false;  // on every frame; nothing disables it again
  bool switchesCard = false;  // the card shows its second picture from here on
  bool spins = false;         // the effect space spins
  bool endsShow = false;      // the show is over: the frame stops after its cues
  Cue cue = {};
  bool operator==(const Scene&) const = default;
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

// The three tables as one value: the compiled show's, or one a person wrote
// (timeline/moments_file.h). Each table has the rows of the compiled one, by
// the same names, perhaps at other times and in another order.
struct MomentTable {
  Turn turns[kTurnCount];
  Title titles[kTitleCount];
  Scene scenes[kSceneCount];
  bool operator==(const MomentTable&) const = default;
};

constexpr MomentTable compiledMoments() {
  MomentTable table{};
  for (int i = 0; i < kTurnCount; ++i) table.turns[i] = kTurns[i];
  for (int i = 0; i < kTitleCount; ++i) table.titles[i] = kTitles[i];
  for (int i = 0; i < kSceneCount; ++i) table.scenes[i] = kScenes[i];
  return table;
}
inline constexpr MomentTable kCompiledMoments = compiledMoments();

// The table the show plays: the compiled one until playMoments. Read by the
// director, the cues, the viewer's keys and the capture tool on every frame;
// owned here.
const MomentTable& playedMoments();
// Plays `table` from the next frame on; the caller has checked it
// (checkMoments). Called at start-up, or by the maker's mode on a good save.
void playMoments(const MomentTable& table);
// Back to the compiled table.
void resetMoments();

// The index in table.scenes of the scene that holds music time t.
constexpr int sceneAt(int32_t t, const MomentTable& table = playedMoments()) {
  int i = 0;
  while (i + 1 < kSceneCount && t > table.scenes[i + 1].lo) ++i;
  return i;
}

// The slot the wall shows in scene `index`: its own, or the last one chosen
// before it.
constexpr int32_t backdropOf(int index, const MomentTable& table = playedMoments()) {
  while (index > 0 && table.scenes[index].backdrop == kKeepBackdrop) --index;
  return table.scenes[index].backdrop;
}

// A moment's window, lo < t <= hi. A scene's hi is the next scene's lo; the
// last scene's is INT32_MAX.
struct MomentWindow {
  int32_t lo, hi;
};
constexpr MomentWindow momentWindow(Moment name, const MomentTable& table = playedMoments()) {
  for (const Turn& turn : table.turns) {
    if (turn.name == name) return {turn.lo, turn.hi};
  }
  for (const Title& title : table.titles) {
    if (title.name == name) return {title.lo, title.hi};
  }
  for (int i = 0; i < kSceneCount; ++i) {
    if (table.scenes[i].name == name)
      return {table.scenes[i].lo, i + 1 < kSceneCount ? table.scenes[i + 1].lo : INT32_MAX};
  }
  return {0, -1};
}

// The first music time at which the show is over: just after the lo of the
// scene that ends it. A frame whose clock has reached it reports the end; the
// capture tool sizes its work by it.
constexpr int32_t showEndsAtMs(const MomentTable& table = playedMoments()) {
  for (const Scene& scene : table.scenes) {
    if (scene.endsShow) return scene.lo + 1;
  }
  return INT32_MAX;
}

// The earliest music time from which `a` and `b` may draw differently: the
// lo of the first row (by time) that differs between them, 0 for a change
// to the first scene, INT32_MAX when they are the same. Frames at or before
// it draw alike under both.
constexpr int32_t firstChangeMs(const MomentTable& a, const MomentTable& b) {
  int32_t first = INT32_MAX;
  auto changed = [&first](int32_t loA, int32_t loB) {
    const int32_t lo = loA < loB ? loA : loB;
    if (lo < first) first = lo < 0 ? 0 : lo;
  };
  for (int i = 0; i < kTurnCount; ++i)
    if (!(a.turns[i] == b.turns[i])) changed(a.turns[i].lo, b.turns[i].lo);
  for (int i = 0; i < kTitleCount; ++i)
    if (!(a.titles[i] == b.titles[i])) changed(a.titles[i].lo, b.titles[i].lo);
  for (int i = 0; i < kSceneCount; ++i)
    if (!(a.scenes[i] == b.scenes[i])) changed(a.scenes[i].lo, b.scenes[i].lo);
  return first;
}

// The latest time a table may name: an hour of music, far past any show and
// far from overflowing a frame's arithmetic.
constexpr int32_t kLatestMomentMs = 3600000;

// The first fault a table has, as checkMoments finds it: which table, which
// row (an index of it), which field (its name in the struct) and why.
enum class MomentPart { None, Turns, Titles, Scenes };
struct MomentFault {
  MomentPart part = MomentPart::None;
  int row = 0;
  const char* field = nullptr;
  const char* reason = nullptr;
};

constexpr bool validTime(int32_t ms) { return ms >= 0 && ms <= kLatestMomentMs; }
constexpr bool validSlot(int32_t slot) { return slot >= kSlotParticle && slot <= kSlotEmpty; }
constexpr bool validCall(const CueCall& call) {
  switch (call.effect) {
    case Effect::Nothing: return call.code == 0;
    case Effect::Mesh: return call.code >= 0 && call.code < kMeshModeCount;
    case Effect::Ribbons: return call.code >= kRibbonHidden && call.code <= kRibbonSquare;
    case Effect::Swarm: return call.code >= kSpriteFlight && call.code <= kSpriteRest;
  }
  return false;
}

// What every table the show plays must hold: each table in time order, its
// windows apart (one turn and one title at a time), every moment on exactly
// one row of its own table, codes and slots that exist, the first scene
// holding the start with a backdrop of its own, and the last scene, and only
// it, ending the show. The compiled table is checked while compiling; a
// file's when it is read.
// A window's fault: a time outside the show, hi not after lo, or a start
// before the row above (whose hi is hiAbove; INT32_MIN for the first row)
// has ended.
constexpr MomentFault windowFault(MomentPart part, int row, int32_t lo, int32_t hi,
                                  int32_t hiAbove, const char* overlaps) {
  if (!validTime(lo)) return {part, row, "lo", "lies outside 0 to 3600000 ms"};
  if (!validTime(hi)) return {part, row, "hi", "lies outside 0 to 3600000 ms"};
  if (lo >= hi) return {part, row, "hi", "is not after lo"};
  if (hiAbove > lo) return {part, row, "lo", overlaps};
  return {};
}

constexpr MomentFault checkMoments(const MomentTable& table) {
  using P = MomentPart;
  for (int i = 0; i < kTurnCount; ++i) {
    const Turn& turn = table.turns[i];
    const MomentFault window =
        windowFault(P::Turns, i, turn.lo, turn.hi, i > 0 ? table.turns[i - 1].hi : INT32_MIN,
                    "comes before the turn above has ended");
    if (window.reason) return window;
    if (turn.direction != kTurnAway && turn.direction != kTurnBack)
      return {P::Turns, i, "direction", "is neither kTurnAway nor kTurnBack"};
  }
  for (int i = 0; i < kTitleCount; ++i) {
    const Title& title = table.titles[i];
    const MomentFault window =
        windowFault(P::Titles, i, title.lo, title.hi, i > 0 ? table.titles[i - 1].hi : INT32_MIN,
                    "comes before the title above has ended");
    if (window.reason) return window;
    if (!validSlot(title.slot)) return {P::Titles, i, "slot", "is no slot"};
  }
  for (int i = 0; i < kSceneCount; ++i) {
    const Scene& scene = table.scenes[i];
    if (i == 0 && scene.lo != kFromTheStart)
      return {P::Scenes, i, "lo", "must be kFromTheStart: the first scene holds the start"};
    if (i > 0 && scene.lo == kFromTheStart)
      return {P::Scenes, i, "lo", "cannot be kFromTheStart: only the first scene holds the start"};
    if (i > 0 && !validTime(scene.lo))
      return {P::Scenes, i, "lo", "lies outside 0 to 3600000 ms"};
    if (i > 1 && table.scenes[i - 1].lo >= scene.lo)
      return {P::Scenes, i, "lo", "is not after the lo of the scene above"};
    if (scene.backdrop != kKeepBackdrop && !validSlot(scene.backdrop))
      return {P::Scenes, i, "backdrop", "is no slot"};
    if (i == 0 && scene.backdrop == kKeepBackdrop)
      return {P::Scenes, i, "backdrop", "must name a slot: the first scene has none to keep"};
    if (scene.cardSlide != kSlideRight && scene.cardSlide != kSlideLeft &&
        scene.cardSlide != kNoSlide)
      return {P::Scenes, i, "cardSlide", "is none of kSlideRight, kSlideLeft, kNoSlide"};
    if (!validCall(scene.cue.calls[0]) || !validCall(scene.cue.calls[1]))
      return {P::Scenes, i, "cue", "names a code its effect does not have"};
    if (scene.endsShow != (i == kSceneCount - 1))
      return {P::Scenes, i, "endsShow",
              i == kSceneCount - 1 ? "must be true: the last scene ends the show"
                                   : "must be false: only the last scene ends the show"};
  }
  // Every name of the enumeration (Moment::End is its last) on one row, of
  // the table it belongs to; a moment with no row is told by its number in
  // `row`, once no name stands twice.
  int missing = -1;
  for (int n = 0; n <= static_cast<int>(Moment::End); ++n) {
    const Moment name = static_cast<Moment>(n);
    int rows = 0;
    int first = 0, last = 0;
    P firstPart = P::None, part = P::None;
    auto count = [&](P in, int i) {
      if (rows++ == 0) first = i, firstPart = in;
      last = i, part = in;
    };
    for (int i = 0; i < kTurnCount; ++i)
      if (table.turns[i].name == name) count(P::Turns, i);
    for (int i = 0; i < kTitleCount; ++i)
      if (table.titles[i].name == name) count(P::Titles, i);
    for (int i = 0; i < kSceneCount; ++i)
      if (table.scenes[i].name == name) count(P::Scenes, i);
    bool home = false;
    for (const Turn& turn : kTurns) home |= part == P::Turns && turn.name == name;
    for (const Title& title : kTitles) home |= part == P::Titles && title.name == name;
    for (const Scene& scene : kScenes) home |= part == P::Scenes && scene.name == name;
    if (rows >= 1 && !home) return {part, last, "name", "names a moment of another table"};
    if (rows > 1) return {firstPart, first, "name", "names a moment another row names too"};
    if (rows == 0 && missing < 0) missing = n;
  }
  if (missing >= 0) return {P::None, missing, "name", "has no row"};
  return {};
}

static_assert(checkMoments(kCompiledMoments).reason == nullptr,
              "the compiled tables pass the checks every table the show plays must pass");
