#include "score/score.h"

#include <cmath>

namespace {
// A minor's seven degrees, in semitones above A.
constexpr int kMinorScale[7] = {0, 2, 3, 5, 7, 8, 10};
// Pitch classes of the note letters A to G.
constexpr int kLetterClass[7] = {9, 11, 0, 2, 4, 5, 7};

// Lowest notes of each part's register (MIDI): the chord root is placed in
// the octave starting here.
constexpr int kBassLow = 33;   // A1
constexpr int kPadLow = 52;    // E3
constexpr int kArpLow = 57;    // A3
constexpr int kStabLow = 60;   // C4
constexpr int kBellLow = 69;   // A4
constexpr double kBoingNote = 45.0;  // A2, falling from an octave above

// Notes a little shorter than their steps, so repeated notes re-attack.
constexpr double kDetached = 0.85;
// Keeps floating-point step times from slipping into the previous step.
constexpr double kEpsilon = 1e-9;

struct Chord {
  int rootClass;
  bool minor;
};

Chord parseChord(const char* name) {
  return {kLetterClass[name[0] - 'A'], name[1] == 'm'};
}

const Section& sectionAt(double timeS) {
  for (int i = 0; i < kSectionCount; ++i) {
    if (timeS < kSections[i].endS - kEpsilon) return kSections[i];
  }
  return kSections[kSectionCount - 1];
}

int barOf(const Section& section, double timeS) {
  return static_cast<int>(std::floor((timeS - section.startS) / kBarS + kEpsilon));
}

Chord chordAt(const Section& section, double timeS) {
  const Progression& progression = kProgressions[section.progression];
  int count = 0;
  while (count < 4 && progression.chords[count]) ++count;
  return parseChord(progression.chords[barOf(section, timeS) % count]);
}

// Tones 0 to 5: root, third, fifth, then the same an octave up; the root is
// the chord's pitch class in the octave from `low`.
double chordTone(Chord chord, int index, int low) {
  const int root = low + ((chord.rootClass - low % 12) % 12 + 12) % 12;
  const int offsets[3] = {0, chord.minor ? 3 : 4, 7};
  return root + offsets[index % 3] + 12 * (index / 3);
}

double hitVelocity(char c) { return c == 'x' ? 1.0 : (c == 'o' ? 0.55 : 0.0); }

// How many '-' follow step `index` of a repeating bar, as far as `maxSteps`.
int holdSteps(const char* bar, int index, int maxSteps) {
  int holds = 0;
  while (holds + 1 < maxSteps && bar[(index + holds + 1) % kStepsPerBar] == '-') ++holds;
  return holds;
}

void add(std::vector<Note>& notes, double timeS, Instrument instrument, double pitch,
         double lengthS, double velocity, double pan, double param = 0.0) {
  notes.push_back({timeS, instrument, pitch, lengthS, velocity, pan, param});
}

// Calls visit(step, timeS) for every sixteenth of the section.
template <typename Visit>
void forEachStep(const Section& section, Visit visit) {
  for (int step = 0;; ++step) {
    const double t = section.startS + step * kStepS;
    if (t >= section.endS - kEpsilon) break;
    visit(step, t);
  }
}

int stepsLeft(const Section& section, double timeS) {
  return static_cast<int>(std::floor((section.endS - timeS) / kStepS + kEpsilon));
}

void addDrums(const Section& section, std::vector<Note>& notes) {
  const DrumPattern& pattern = kDrumPatterns[section.drums];
  const struct {
    const char* lane;
    Instrument instrument;
    double pan;
  } lanes[] = {{pattern.kick, kKick, 0.0},         {pattern.snare, kSnare, 0.05},
               {pattern.clap, kClap, -0.05},       {pattern.closedHat, kClosedHat, 0.3},
               {pattern.openHat, kOpenHat, -0.3}};
  forEachStep(section, [&](int step, double t) {
    for (const auto& lane : lanes) {
      const double velocity = hitVelocity(lane.lane[step % kStepsPerBar]);
      if (velocity > 0.0) add(notes, t, lane.instrument, 0.0, 0.0, velocity, lane.pan);
    }
  });
}

void addBass(const Section& section, std::vector<Note>& notes) {
  const BassPattern& pattern = kBassPatterns[section.bassPattern];
  forEachStep(section, [&](int step, double t) {
    const char c = pattern.steps[step % kStepsPerBar];
    if (c != 'r' && c != 'o' && c != 'f') return;
    const int holds = holdSteps(pattern.steps, step % kStepsPerBar, stepsLeft(section, t));
    const double pitch = chordTone(chordAt(section, t), c == 'f' ? 2 : (c == 'o' ? 3 : 0), kBassLow);
    const bool wobble = section.bassVoice == kWobbleBass;
    // The wobble runs in eighth notes: four sweeps a second at 120 bpm.
    add(notes, t, section.bassVoice, pitch, (holds + 1) * kStepS * (wobble ? 1.0 : kDetached),
        0.9, 0.0, wobble ? 4.0 : pattern.brightnessHz);
  });
}

// One held chord per run of equal chords, voiced wide across the stereo field.
void addPad(const Section& section, std::vector<Note>& notes) {
  constexpr double kPans[4] = {-0.55, -0.15, 0.2, 0.55};
  double runStart = section.startS;
  while (runStart < section.endS - kEpsilon) {
    const Chord chord = chordAt(section, runStart);
    double runEnd = section.startS + (barOf(section, runStart) + 1) * kBarS;
    while (runEnd < section.endS - kEpsilon) {
      const Chord next = chordAt(section, runEnd);
      if (next.rootClass != chord.rootClass || next.minor != chord.minor) break;
      runEnd += kBarS;
    }
    if (runEnd > section.endS) runEnd = section.endS;
    for (int tone = 0; tone < 4; ++tone) {
      add(notes, runStart, kPad, chordTone(chord, tone, kPadLow), runEnd - runStart, 0.8,
          kPans[tone], section.padCutoffHz);
    }
    runStart = runEnd;
  }
}

void addArpeggio(const Section& section, std::vector<Note>& notes) {
  const ArpPattern& pattern = kArpPatterns[section.arpPattern];
  forEachStep(section, [&](int step, double t) {
    const char c = pattern.steps[step % kStepsPerBar];
    if (c < '0' || c > '5') return;
    add(notes, t, kPluck, chordTone(chordAt(section, t), c - '0', kArpLow), kStepS, 0.6,
        step % 2 ? 0.35 : -0.35, 4200.0);
  });
}

void addMelody(const Section& section, std::vector<Note>& notes) {
  const Melody& melody = kMelodies[section.melody];
  forEachStep(section, [&](int step, double t) {
    const char* bar = melody.bars[barOf(section, t) % 4];
    const int index = step % kStepsPerBar;
    const char c = bar[index];
    if (c < '0' || c > '9') return;
    int holds = 0;
    while (index + holds + 1 < kStepsPerBar && bar[index + holds + 1] == '-') ++holds;
    const int degree = c - '0';
    const double pitch = melody.baseNote + kMinorScale[degree % 7] + 12 * (degree / 7);
    add(notes, t, melody.voice, pitch, (holds + 1) * kStepS * kDetached, 0.8, 0.1);
  });
}

void addFlagged(const Section& section, std::vector<Note>& notes) {
  const double length = section.endS - section.startS;
  if (section.flags & kWindBed) add(notes, section.startS, kWind, 0.0, length + 1.0, 0.9, -0.2);
  if (section.flags & kRiserToEnd) {
    const double riserS = std::fmin(4.0, length);
    add(notes, section.endS - riserS, kRiser, 57.0, riserS, 0.9, 0.0);
  }
  if (section.flags & kRollToEnd) {
    // Eighths, then sixteenths over the last beat and a half, swelling.
    const double from = section.endS - kBarS;
    for (double t = from; t < section.endS - kEpsilon;) {
      const double x = (t - from) / kBarS;
      add(notes, t, kSnare, 0.0, 0.0, 0.25 + 0.75 * x, 0.0);
      t += x < 0.625 ? 2.0 * kStepS : kStepS;
    }
  }
  if (section.flags & kBounceHits) {
    for (double t = std::ceil(section.startS); t < section.endS - kEpsilon; t += 1.0) {
      add(notes, t, kBoing, kBoingNote, 0.0, 0.9, 0.0);
    }
  }
}

void addAccent(const Accent& accent, std::vector<Note>& notes) {
  const double t = accent.timeS;
  const Chord chord = chordAt(sectionAt(t), t);
  if (accent.flags & kAccentCrash) add(notes, t, kCrash, 0.0, 0.0, 1.0, 0.15);
  if (accent.flags & kAccentImpact) add(notes, t, kImpact, 0.0, 0.0, 1.0, 0.0);
  if (accent.flags & kAccentClap) add(notes, t, kClap, 0.0, 0.0, 1.0, 0.0);
  if (accent.flags & kAccentBell) {
    add(notes, t, kBell, chordTone(chord, 0, kBellLow), 0.0, 0.9, -0.3);
    add(notes, t, kBell, chordTone(chord, 2, kBellLow), 0.0, 0.7, 0.3);
  }
  if (accent.flags & kAccentStab) {
    constexpr double kPans[4] = {-0.4, 0.0, 0.4, 0.0};
    for (int tone = 0; tone < 4; ++tone) {
      add(notes, t, kStab, chordTone(chord, tone, kStabLow), 0.0, 0.9, kPans[tone]);
    }
  }
}
}  // namespace

void buildScore(std::vector<Note>& notes, std::vector<Gap>& gaps, const MomentTable& table) {
  for (int i = 0; i < kSectionCount; ++i) {
    const Section& section = kSections[i];
    if (section.drums != kDrumsNone) addDrums(section, notes);
    if (section.bassPattern != kNone) addBass(section, notes);
    if (section.padCutoffHz > 0.0) addPad(section, notes);
    if (section.arpPattern != kNone) addArpeggio(section, notes);
    if (section.melody != kNone) addMelody(section, notes);
    addFlagged(section, notes);
  }
  for (const Accent& accent : showAccents(table)) {
    addAccent(accent, notes);
    if (accent.gapS > 0.0) gaps.push_back({accent.timeS - accent.gapS, accent.timeS});
  }
}
