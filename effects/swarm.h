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

// State codes: what drawSwarm does with a sprite after drawing it.
constexpr int32_t kSpriteFlight = 7;   // z falls by frameDeltaMs / 15 each frame
constexpr int32_t kSpriteRespawn = 8;  // new random spot far out, then flight
constexpr int32_t kSpriteRest = 9;     // nothing changes

// What the swarm keeps from frame to frame: all 512 sprites; the lower half
// is 0 to 255, the upper half 256 to 511. Positions in units of the effect
// space. Zero at program start, until initSwarm places them.
struct SwarmState {
  Sprite sprites[kSwarmSize];
};

// The swarm's state; owned here for the whole run.
extern SwarmState swarm;

// Puts the swarm back to its state at program start: every sprite zero.
void resetSwarm();

// Places every sprite: the lower half visible on the shell, the upper half
// hidden, all at rest. Draws 1024 random numbers. Runs from initGL and once
// more from start-up.
void initSwarm();

// Gives sprites 256 to 511 the state code; the lower half keeps its own.
// Called by the cues between frames, with kSpriteRespawn.
void setSwarmState(int32_t code);

// Draws every visible sprite with kSlotParticle's texture, then advances
// each by its state (frameDeltaMs, ms of music time). Called once per frame,
// first of the effects, in the effect space. Leaves texturing on and that
// texture bound.
void drawSwarm();
