// The sprite swarm: 512 small textured squares. The lower half hangs still on
// a shell around the origin; the upper half starts hidden and, on a cue,
// respawns far out along +z and flies towards the viewer for good.
#pragma once

#include <cstdint>

struct Sprite {
  int32_t visible;  // nonzero: drawn
  int32_t state;    // 7 flight, 8 respawn, 9 rest
  float x, y, z;    // position in the effect space; drawn around z - 5
};

constexpr int kSwarmSize = 512;
constexpr int kSwarmHalf = 256;

extern Sprite swarm[kSwarmSize];

// Places every sprite: the lower half visible on the shell, the upper half
// hidden, all at rest. Draws 1024 random numbers. Runs from initGL and once
// more from start-up.
void initSwarm();

// Gives sprites 256 to 511 the state code; the lower half keeps its own.
void setSwarmState(int32_t code);

// Draws every visible sprite, then advances each by its state. Called once
// per frame, first of the effects.
void drawSwarm();
