// The effect cues: the calls each scene of the show (timeline/moments.h)
// makes to the effects' mode setters, once or on every frame.
#pragma once

#include <array>
#include <cstdint>

#include "timeline/moments.h"

// Every one-shot flag armed.
constexpr std::array<int32_t, kSceneCount> allCuesArmed() {
  std::array<int32_t, kSceneCount> flags{};
  flags.fill(1);
  return flags;
}

// What the cues keep from frame to frame: one one-shot flag per row of the
// scene table, by its index: 1 at program start, cleared when the row's
// one-shot cue fires, never re-armed (not even when the window is made
// again). A row whose cue is not one-shot never clears its flag; one that a
// new table makes one-shot fires on its next frame.
struct CueState {
  std::array<int32_t, kSceneCount> cueArmed = allCuesArmed();
};

// The cues' state; owned here, one for the whole run.
extern CueState cues;

// Puts every flag back to its state at program start: armed.
void resetCues();

// The effect setters the cues call. Owned here; they point at the effects'
// own setters, and tests point them elsewhere to watch the calls.
struct CueSetters {
  void (*meshMode)(int32_t code);
  void (*ribbonMode)(int32_t mode);
  void (*swarmState)(int32_t state);
};
extern CueSetters cueSetters;

// Makes the cue calls of scene `scene` (an index of the played scene table) for this frame:
// a one-shot cue while its flag is armed, an every-frame cue always. Returns
// 1, or 0 when the scene ends the show: the frame draws nothing more. Called
// by the director once per frame, after it has found the scene.
int applyCues(int scene);
