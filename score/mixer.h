// The mixer: places every rendered note on its bus with its pan and effect
// sends, then runs the effects and the master into 16-bit stereo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "score/effects.h"
#include "score/voices.h"

// The buses, each one value per frame for the whole piece.
struct Mix {
  size_t frames = 0;
  std::vector<float> dryLeft, dryRight;    // drums, bells, effects: never ducked
  std::vector<float> duckLeft, duckRight;  // bass, pads, leads: dip under the kick
  std::vector<float> delaySend;            // mono into the ping-pong delay
  std::vector<float> reverbSend;           // mono into the reverb
  std::vector<size_t> kickFrames;          // onsets the ducking follows
  std::vector<FrameSpan> silences;         // the whole mix is cut out here
};

// Sizes the buses for `frames` frames of silence.
void startMix(Mix& mix, size_t frames);

// Renders every note onto the buses. Notes past the end are cut off there.
void mixNotes(const std::vector<Note>& notes, Mix& mix);

// Runs the effects, ducking, silences, level and limiter, fades the last `fadeFrames`
// and writes interleaved stereo (left first). Peaks stay at about -1 dBFS;
// the buses are consumed.
void masterMix(Mix& mix, size_t fadeFrames, std::vector<int16_t>& interleaved);
