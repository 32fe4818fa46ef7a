// The tables of the score. Most of the show's changes (the title cards, the
// camera turns and the scenes) start a new section here; each also gets an
// accent at its own time (score/accents.cpp), so that every change lands on
// the music. A section boundary is arrangement: it stays where it is when a
// moment moves.
#include "score/score.h"

const DrumPattern kDrumPatterns[kDrumStyleCount] = {
    // kick                snare                clap                 closed hat           open hat
    {"................", "................", "................", "................", "................"},
    {"o...o...o...o...", "................", "................", "................", "................"},
    {"o...o...o...o...", "................", "................", "..o...o...o...o.", "................"},
    {"x...x...x...x...", "................", "....x.......x...", "..x...x...x...x.", "................"},
    {"x...x...x...x...", "...............o", "....x.......x...", "xoxoxoxoxoxoxoxo", "..x...x...x...x."},
    {"x.....x...x.....", "........x.......", "................", "x.o.x.o.x.o.x.o.", "................"},
    {"x.......x.......", "................", "....x.......x...", "..o...o...o...o.", "................"},
    {"................", "................", "................", "xoxoxoxoxoxoxoxo", "................"},
    {"x...x...x...x...", "....x.......x...", "....x.......x...", "xxxxxxxxxxxxxxxx", "..x...x...x...x."},
};

const BassPattern kBassPatterns[] = {
    {"..r...r...r...r.", 1800.0},  // 0: off-beat
    {".rro.rro.rro.rro", 2600.0},  // 1: rolling, between the kicks
    {"r-------f-------", 900.0},   // 2: long notes
    {"r.r.r.r.o.r.r.f.", 2200.0},  // 3: driving eighths
    {"r-----r-..r-o-r-", 1200.0},  // 4: heavy sub notes
    {"r-------r---o---", 0.0},     // 5: for the wobble bass
    {"r.......o.......", 3000.0},  // 6: bouncing
};

const Progression kProgressions[] = {
    {{"Am", "Am", "F", "F"}},   // 0: the opening
    {{"Am", "F", "C", "G"}},    // 1
    {{"F", "G", "Am", "Am"}},   // 2
    {{"Dm", "F", "Am", "G"}},   // 3
    {{"Am", "G", "F", "E"}},    // 4: falling, for builds
    {{"F", "C", "G", "Am"}},    // 5
    {{"Am", nullptr, nullptr, nullptr}},  // 6: one held chord
};

const ArpPattern kArpPatterns[] = {
    {"0.2.4.2.3.2.4.2."},  // 0: gentle eighths
    {"0124012401240124"},  // 1: running sixteenths
    {"0123452301234523"},  // 2: climbing
};

const Melody kMelodies[] = {
    // 0: the theme
    {{"4---2-0-4-2-7---", "5---4-2-0---2-3-", "4---2-4-6-4-2---", "3---1-3-6---5-4-"}, kLead, 69.0},
    // 1: the answer
    {{"7-5-2-5-7-5-2-5-", "6-3-1-3-6-3-8-6-", "7---4---2---4---", "9-8-7---4-------"}, kLead, 69.0},
    // 2: falling lines over the falling chords
    {{"7---7-6-4---2-4-", "6---6-4-3---1-3-", "5---5-4-2---0-2-", "4---1-4-8---4---"}, kLead, 69.0},
    // 3: the theme's second half, higher
    {{"7---5---2---5-7-", "6---4---2---4-6-", "8---6---3---6-8-", "9---7---4---7---"}, kLead, 69.0},
    // 4: the square riff
    {{"0.4.7.4.0.4.7.4.", "0.2.5.2.0.2.5.2.", "2.4.6.4.2.4.6.4.", "1.3.6.3.1.3.6.3."}, kSquareLead, 69.0},
    // 5: big sparse notes over the heavy bass
    {{"7-------4---2---", "6-------3---1---", "5-------2---0---", "4-------8---4---"}, kLead, 69.0},
    // 6: bells in the breakdown
    {{"4.......7.......", "2.......4...9...", "5.......2.......", "7.......5...4..."}, kBell, 81.0},
};

const Section kSections[] = {
    // start  end    drums          bass   voice        prog  pad     arp    melody flags
    {0.0, 5.0, kDrumsNone, kNone, kBass, 6, 700.0, kNone, kNone, kWindBed},
    {5.0, 13.0, kDrumsNone, kNone, kBass, 0, 1200.0, 0, kNone, kWindBed},
    {13.0, 20.0, kDrumsLight, kNone, kBass, 0, 1500.0, 0, kNone, kRiserToEnd},
    {20.0, 26.0, kDrumsBuild, 0, kBass, 1, 1800.0, 1, kNone, kRiserToEnd | kRollToEnd},
    {26.0, 30.0, kDrumsFull, 1, kBass, 1, 2500.0, kNone, 0, 0},
    {30.0, 36.0, kDrumsFull, 1, kBass, 2, 2500.0, 1, 1, 0},
    {36.0, 41.0, kDrumsHalfTime, 2, kBass, 3, 2000.0, 2, kNone, 0},
    {41.0, 47.0, kDrumsBuild, 3, kBass, 1, 2200.0, 1, kNone, kRiserToEnd},
    {47.0, 51.0, kDrumsFull, 1, kBass, 4, 3000.0, kNone, 2, 0},
    {51.0, 57.0, kDrumsFull, 3, kBass, 5, 3000.0, 1, 3, 0},
    {57.0, 58.0, kDrumsNone, kNone, kBass, 6, 1500.0, kNone, kNone, 0},
    {58.0, 60.0, kDrumsHatsOnly, kNone, kBass, 2, 1500.0, 0, kNone, 0},
    {60.0, 63.0, kDrumsBounce, 0, kBass, 1, 2000.0, kNone, 4, 0},
    {63.0, 65.0, kDrumsFull, 1, kBass, 3, 2400.0, kNone, 4, 0},
    {65.0, 68.0, kDrumsNone, kNone, kBass, 2, 1600.0, 2, kNone, kRiserToEnd},
    {68.0, 69.0, kDrumsFull, 1, kBass, 6, 3000.0, 1, kNone, 0},
    {69.0, 78.0, kDrumsHeavy, 4, kBass, 4, 2800.0, 1, 5, 0},
    {78.0, 80.0, kDrumsNone, kNone, kBass, 6, 1500.0, kNone, kNone, 0},
    {80.0, 83.0, kDrumsKickOnly, kNone, kBass, 2, 2600.0, 0, kNone, 0},
    {83.0, 90.5, kDrumsFull, 5, kWobbleBass, 3, 2000.0, kNone, kNone, kRollToEnd},
    {90.5, 91.0, kDrumsNone, kNone, kBass, 6, 0.0, kNone, kNone, 0},
    {91.0, 101.0, kDrumsNone, kNone, kBass, 0, 1400.0, 0, 6, kWindBed},
    {101.0, 105.0, kDrumsKickOnly, kNone, kBass, 0, 1800.0, 1, 6, 0},
    {105.0, 109.0, kDrumsBuild, 0, kBass, 4, 2200.0, 1, kNone, kRiserToEnd | kRollToEnd},
    {109.0, 110.0, kDrumsFull, 1, kBass, 1, 3200.0, 1, kNone, 0},
    {110.0, 122.7, kDrumsFull, 1, kBass, 5, 3200.0, 1, 3, 0},
    {122.7, 123.0, kDrumsNone, kNone, kBass, 6, 0.0, kNone, kNone, 0},
    {123.0, 132.0, kDrumsHalfTime, 2, kBass, 3, 2400.0, 2, kNone, kRiserToEnd},
    {132.0, 142.0, kDrumsBounce, 6, kBass, 1, 2200.0, kNone, 4, kBounceHits},
    {142.0, 155.0, kDrumsFull, 1, kBass, 2, 3000.0, 1, 1, 0},
    {155.0, 159.0, kDrumsBuild, 3, kBass, 4, 2500.0, kNone, kNone, kRiserToEnd | kRollToEnd},
    {159.0, 175.0, kDrumsFull, 1, kBass, 1, 3500.0, 1, 0, 0},
    {175.0, 187.0, kDrumsFull, 3, kBass, 5, 3500.0, 2, 3, 0},
    {187.0, 191.0, kDrumsHalfTime, 2, kBass, 3, 2500.0, 0, kNone, 0},
    {191.0, kMusicLengthS, kDrumsNone, kNone, kBass, 6, 1800.0, kNone, kNone, kWindBed},
};
const int kSectionCount = sizeof kSections / sizeof kSections[0];
