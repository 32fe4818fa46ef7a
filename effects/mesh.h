// The mesh effect: the textured 128 x 256 mesh that reveals itself row by
// row, then turns into a cube, wobbles, morphs and pulses with the spectrum,
// with a small textured sphere (the satellite) orbiting it.
#pragma once

#include <cstdint>

// Current mode code; 0 (the reveal) at start.
extern int32_t meshMode;
// Time mark in ms of music time, set by codes 3, 4, 5 and 6.
extern int32_t meshStamp;
// First row drawn as a full strip while the mode is 0; 127 at start.
extern int32_t revealRow;
// Frame time in ms gathered towards the next reveal step.
extern int32_t revealAccumMs;
// Becomes 1 for good once the music passes 16800 ms.
extern int32_t satelliteVisible;
// Set by code 10, cleared by code 11: the satellite bounces.
extern int32_t satelliteBounce;

// Selects a mode code (0 to 11, any other value keeps the mesh as it is).
// Called by the cues, once or on every frame of a window. Codes 3 to 6 set
// meshStamp from musicTimeMs, so the clock must be read first. The reveal
// runs once: a code 0 after it has finished draws the whole mesh for one
// frame and hands over to mode 1 again.
void setMeshMode(int32_t code);

// Updates workGrid for the current mode and time, recomputes its normals and
// draws it and the satellite, in the effect space set up by the director.
// Leaves the modelview as it found it. Called once per frame.
void drawMesh();
