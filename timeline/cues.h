// The effect cues: which mode each effect is put in, at which window of the
// scene chain, once or on every frame.
#pragma once

#include <cstdint>

// Windows of the scene chain, numbered 1 to kChainWindows; the last is the
// end of the show.
constexpr int kChainWindows = 23;

// One-shot flags, 1 at start, cleared when their cue fires; never re-armed.
constexpr int kOneShotCues = 13;
extern int32_t cueArmed[kOneShotCues];

// The effect setters the cues call. Owned here; they point at the effects'
// own setters, and tests point them elsewhere to watch the calls.
struct CueSetters {
  void (*meshMode)(int32_t code);
  void (*ribbonMode)(int32_t mode);
  void (*swarmState)(int32_t state);
};
extern CueSetters cueSetters;

// Makes the cue calls of the given scene-chain window (1 to 23) for this
// frame: a one-shot cue while its flag is armed, an every-frame cue always.
// Returns 1, or 0 in the last window: the show is over and the frame draws
// nothing more. Called by the director once per frame, after it has found
// the window.
int applyCues(int chainWindow);
