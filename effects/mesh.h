// The mesh effect: the textured 128 x 256 mesh that reveals itself row by
// row, then turns into a cube, wobbles, morphs and pulses with the spectrum,
// with a small textured sphere (the satellite) orbiting it.
#pragma once

#include <cstdint>

#include "effects/mesh_grids.h"

// Mode codes of setMeshMode: what the mesh shows from the call on. The time
// mark (meshStamp) is "now" at the call, or a lead on it where given.
constexpr int32_t kMeshReveal = 0;            // at start: the sphere uncovered row by row
constexpr int32_t kMeshSphere = 1;            // the plain sphere
constexpr int32_t kMeshCube = 2;              // the plain cube, with the cube's pictures
constexpr int32_t kMeshWobbleSphere = 3;      // the sphere wobbles, from a mark now
constexpr int32_t kMeshWobbleCube = 4;        // the cube wobbles, from a mark now; cube pictures
constexpr int32_t kMeshMorphToSphere = 5;     // morphs into the sphere until a mark 2 s ahead
constexpr int32_t kMeshMorphToCube = 6;       // morphs into the cube until a mark 5 s ahead
constexpr int32_t kMeshWobbleSnapshot = 7;    // snapshots the mesh; it wobbles on the last mark
constexpr int32_t kMeshPulse = 8;             // snapshots; the sphere pulses with the spectrum
constexpr int32_t kMeshMorphToSnapshot = 9;   // morphs back into the snapshot until the last mark
constexpr int32_t kMeshSatelliteBounce = 10;  // the plain sphere, and the satellite bounces
constexpr int32_t kMeshSatelliteSettle = 11;  // the plain sphere, and the satellite stops bouncing
// One past the last code; any other value keeps the mesh as it is.
constexpr int32_t kMeshModeCount = 12;

// Everything the mesh effect keeps from frame to frame, beside the grids it
// rewrites (effects/mesh_grids.h). The defaults are the values at program
// start.
struct MeshState {
  // Current mode code; kMeshReveal at start.
  int32_t meshMode = kMeshReveal;
  // Time mark in ms of music time, set by codes 3, 4, 5 and 6.
  int32_t meshStamp = 0;
  // First row drawn as a full strip while the mode is 0; the last strip's row
  // at start.
  int32_t revealRow = kMeshStrips;
  // Frame time in ms gathered towards the next reveal step.
  int32_t revealAccumMs = 0;
  // Becomes 1 for good once the music passes 16800 ms.
  int32_t satelliteVisible = 0;
  // Set by code 10, cleared by code 11: the satellite bounces.
  int32_t satelliteBounce = 0;
};

// The mesh effect's state; owned here, one for the whole run. A full-screen
// toggle leaves it as it is.
extern MeshState mesh;

// Puts the mesh effect back to its state at program start (the grids are
// meshWork's: resetMeshWork).
void resetMesh();

// Selects a mode code (kMeshReveal to kMeshSatelliteSettle; any other value
// keeps the mesh as it is). Called by the cues, once or on every frame of a
// window. The codes that set a mark set meshStamp from musicTimeMs, so the
// clock must be read first. The reveal runs once: a kMeshReveal after it has
// finished draws the whole mesh for one frame and hands over to kMeshSphere.
void setMeshMode(int32_t code);

// Updates workGrid for the current mode and time, recomputes its normals and
// draws it and the satellite, in the effect space set up by the director.
// Leaves the modelview as it found it. Called once per frame.
void drawMesh();

// While on, drawMesh leaves unmade what only drawing needs: the normals, and
// a grid made anew each frame from its source (the copies, the wobbles, the
// pulse), which meshWork.due then describes. Nothing of the show's state is
// lost: a later frame, a snapshot or a reader makes what is due first, bit
// for bit as it would have been. Switched on by whoever runs frames without
// drawing them (the frame clock); off at start.
void meshPostponeWork(bool on);

// Makes what meshWork.due says is still to be made of workGrid. Called by
// whoever reads workGrid outside the mesh effect (tests, the state copies'
// comparisons); the mesh effect calls it itself where it needs the grid.
void makeMeshWorkDue();
