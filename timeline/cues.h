// The effect cues: which mode each effect is put in, at which window of the
// scene chain, once or on every frame.
#pragma once

#include <cstdint>

// One-shot flags, 1 at start, cleared when their cue fires; never re-armed.
constexpr int kOneShotCues = 13;
extern int32_t cueArmed[kOneShotCues];

// Makes the cue calls of the given scene-chain window (1 to 23) for this
// frame: a one-shot cue while its flag is armed, an every-frame cue always,
// and the end of the show in the last window. Called by the director once per
// frame, after it has found the window.
void applyCues(int chainWindow);
