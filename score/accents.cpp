#include "score/accents.h"

#include <algorithm>

namespace {
// How each moment is heard, by its name. A moment not listed gets a crash.
struct MomentSound {
  Moment name;
  uint32_t flags;
  double gapS;
};
constexpr MomentSound kDefaultSound = {Moment::Opening, kAccentCrash, 0.0};
constexpr MomentSound kMomentSounds[] = {
    {Moment::ShowTitle, kAccentBell | kAccentImpact | kAccentCrash, 0.0},
    {Moment::TurnAway, kAccentCrash | kAccentImpact, 0.0},
    {Moment::FirstDrop, kAccentCrash | kAccentImpact, 0.25},  // the cube and the swarm
    {Moment::Credits, kAccentCrash | kAccentImpact, 0.125},    // the small card
    {Moment::SecondDrop, kAccentCrash | kAccentImpact, 0.25},  // the sphere again
    {Moment::WideTurnBack, kAccentCrash | kAccentStab, 0.125},
    {Moment::Break, kAccentImpact | kAccentCrash, 0.125},  // the card slides back
    {Moment::MusicCredits, kAccentBell | kAccentClap, 0.0},
    {Moment::MorphToCube, kAccentStab | kAccentCrash, 0.0},
    {Moment::MorphBack, kAccentImpact | kAccentStab, 0.125},
    {Moment::Pulse, kAccentImpact | kAccentCrash, 0.125},
    {Moment::SecondMorphBack, kAccentImpact | kAccentStab | kAccentCrash, 0.125},
    {Moment::WaveRibbons, kAccentCrash | kAccentBell, 0.0},
    {Moment::Wobble, kAccentCrash | kAccentImpact, 0.0},
    {Moment::CardFlash, kAccentStab | kAccentCrash, 0.125},
    {Moment::Breakdown, kAccentImpact | kAccentBell | kAccentCrash, 0.125},
    {Moment::ThirdDrop, kAccentCrash | kAccentImpact, 0.25},  // the sunset wall
    // The ribbons go off the beat: a cut and a clap.
    {Moment::RibbonsGone, kAccentStab | kAccentClap | kAccentCrash, 0.2},
    {Moment::QuarterTurnBack, kAccentCrash | kAccentImpact, 0.06},
    {Moment::BounceEnds, kAccentCrash | kAccentImpact, 0.0},
    {Moment::BuildUp, kAccentCrash | kAccentImpact, 0.125},  // the build to the finale
    {Moment::Finale, kAccentCrash | kAccentImpact, 0.25},
};

// The music's own hits, at times of its own: the last chord.
constexpr Accent kMusicAccents[] = {
    {191.0, kAccentBell | kAccentImpact, 0.0},
};

// A hit lands on the mark rounded to this many ms.
constexpr int32_t kMarkGridMs = 10;
constexpr double kMsPerSecond = 1000.0;

const MomentSound& soundOf(Moment name) {
  for (const MomentSound& sound : kMomentSounds) {
    if (sound.name == name) return sound;
  }
  return kDefaultSound;
}

int32_t roundToGrid(int32_t ms) { return (ms + kMarkGridMs / 2) / kMarkGridMs * kMarkGridMs; }
}  // namespace

std::vector<MomentMark> showMarks(const MomentTable& table) {
  std::vector<MomentMark> marks;
  for (const Turn& turn : table.turns) marks.push_back({turn.name, turn.lo});
  for (const Title& title : table.titles) marks.push_back({title.name, title.lo});
  for (int i = 1; i < kSceneCount; ++i) {
    if (!table.scenes[i].endsShow) marks.push_back({table.scenes[i].name, table.scenes[i].lo});
  }
  return marks;
}

std::vector<Accent> accentsFor(const std::vector<MomentMark>& marks) {
  struct Hit {
    int32_t ms;
    uint32_t flags;
    double gapS;
  };
  std::vector<Hit> hits;
  for (const MomentMark& mark : marks) {
    const MomentSound& sound = soundOf(mark.name);
    hits.push_back({roundToGrid(mark.lo), sound.flags, sound.gapS});
  }
  std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.ms < b.ms; });
  std::vector<Accent> accents;
  for (size_t i = 0; i < hits.size(); ++i) {
    if (i > 0 && hits[i].ms == hits[i - 1].ms) {
      accents.back().flags |= hits[i].flags;
      accents.back().gapS = std::max(accents.back().gapS, hits[i].gapS);
      continue;
    }
    accents.push_back({hits[i].ms / kMsPerSecond, hits[i].flags, hits[i].gapS});
  }
  for (const Accent& accent : kMusicAccents) accents.push_back(accent);
  std::stable_sort(accents.begin(), accents.end(),
                   [](const Accent& a, const Accent& b) { return a.timeS < b.timeS; });
  return accents;
}

std::vector<Accent> showAccents(const MomentTable& table) { return accentsFor(showMarks(table)); }
