// The score of "Tarrowind": 120 beats a minute in A minor, a table of
// sections (what plays from when to when) and the accents (the hits that mark
// each moment the show changes, score/accents.h). buildScore expands both
// into notes for the mixer.
#pragma once

#include <cstdint>
#include <vector>

#include "score/accents.h"
#include "score/voices.h"

constexpr double kBeatS = 0.5;                // 120 beats a minute
constexpr double kStepS = kBeatS / 4.0;       // patterns run in sixteenth notes
constexpr int kStepsPerBar = 16;
constexpr double kBarS = kBeatS * 4.0;
constexpr double kMusicLengthS = 198.0;       // the show ends at 196 s
constexpr double kFadeS = 3.0;                // the fade at the very end

// Which drum pattern a section plays (rows of kDrumPatterns).
enum DrumStyle {
  kDrumsNone,
  kDrumsKickOnly,
  kDrumsLight,
  kDrumsBuild,
  kDrumsFull,
  kDrumsHalfTime,
  kDrumsBounce,
  kDrumsHatsOnly,
  kDrumsHeavy,
  kDrumStyleCount
};

// One bar of drums, a character per sixteenth: 'x' full, 'o' soft, '.' rest.
struct DrumPattern {
  const char* kick;
  const char* snare;
  const char* clap;
  const char* closedHat;
  const char* openHat;
};

// Section flags.
enum : uint32_t {
  kWindBed = 1u << 0,      // the wind sound under the whole section
  kRiserToEnd = 1u << 1,   // a noise riser that ends on the next section
  kRollToEnd = 1u << 2,    // a snare roll over the last bar
  kBounceHits = 1u << 3,   // a falling drum on every whole second
};

constexpr int kNone = -1;

struct Section {
  double startS;
  double endS;
  DrumStyle drums;
  int bassPattern;        // row of kBassPatterns, or kNone
  Instrument bassVoice;   // kBass or kWobbleBass
  int progression;        // row of kProgressions; one chord per bar from startS
  double padCutoffHz;     // 0: no pad
  int arpPattern;         // row of kArpPatterns, or kNone
  int melody;             // row of kMelodies, or kNone
  uint32_t flags;
};

// A stretch of silence cut into the mix, seconds.
struct Gap {
  double startS;
  double endS;
};

// One bar of bass, a character per sixteenth: 'r' the chord's root, 'o' its
// octave, 'f' its fifth, '-' holds the note before, '.' rest.
struct BassPattern {
  const char* steps;
  double brightnessHz;   // how far the filter opens on each note
};

// Up to four chords, one per bar, repeating: "Am", "F", "E", ...
struct Progression {
  const char* chords[4];
};

// One bar of arpeggio, a character per sixteenth: '0' to '5' pick the
// chord's root, third, fifth and the same an octave up; '.' rest.
struct ArpPattern {
  const char* steps;
};

// Four bars of melody over the section's chords, a character per sixteenth:
// '0' to '9' are degrees of A minor from `baseNote` (7 is an octave up),
// '-' holds the note before, '.' rest.
struct Melody {
  const char* bars[4];
  Instrument voice;
  double baseNote;   // MIDI note of degree 0
};

extern const DrumPattern kDrumPatterns[kDrumStyleCount];
extern const BassPattern kBassPatterns[];
extern const Progression kProgressions[];
extern const ArpPattern kArpPatterns[];
extern const Melody kMelodies[];
extern const Section kSections[];
extern const int kSectionCount;

// Expands the sections and accents into notes (appended, in no particular
// order) and the gaps the mix falls silent in, with the accents at the
// moments of `table`.
void buildScore(std::vector<Note>& notes, std::vector<Gap>& gaps,
                const MomentTable& table = kCompiledMoments);
