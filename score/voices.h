// The synthesiser's voices: drums, basses, pads, leads, plucks, bells and
// effects sounds. Each renders one note, mono, from its onset to the end of
// its tail.
#pragma once

#include <cstddef>
#include <vector>

enum Instrument {
  kKick,
  kSnare,
  kClap,
  kClosedHat,
  kOpenHat,
  kCrash,
  kImpact,    // a sub-bass boom under the big changes
  kRiser,     // noise sweeping upwards, ending on the next change
  kBoing,     // a pitched drum that falls, for the bouncing satellite
  kBass,
  kWobbleBass,
  kPad,
  kLead,
  kSquareLead,
  kPluck,
  kBell,
  kStab,
  kWind,
  kInstrumentCount
};

// One event of the score.
struct Note {
  double timeS;           // onset, seconds of music
  Instrument instrument;
  double pitch;           // MIDI note number; the drums and noises ignore it
  double lengthS;         // how long the note is held; one-shots ignore it
  double velocity;        // 0..1
  double pan;             // -1 left .. 1 right
  double param;           // per voice: the pad's cutoff (Hz), the wobble's rate (Hz), ...
};

// Renders `note` into `out` (resized to the note's length plus its tail,
// mono, at kSampleRate). The same note always gives the same samples.
void renderVoice(const Note& note, std::vector<float>& out);
