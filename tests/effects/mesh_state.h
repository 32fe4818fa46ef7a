// Puts the mesh effect and the clock values it reads back to their state at
// program start, with freshly built grids, so each test starts from the same
// point whatever ran before it in the process.
#pragma once

#include <cstring>

#include "assets/textures.h"
#include "effects/mesh.h"
#include "effects/mesh_grids.h"
#include "music/clock.h"

inline void resetMeshState() {
  meshMode = 0;
  meshStamp = 0;
  revealRow = 127;
  revealAccumMs = 0;
  satelliteVisible = 0;
  satelliteBounce = 0;
  musicTimeMs = 0;
  frameDeltaMs = 0;
  std::memset(spectrum, 0, sizeof spectrum);
  std::memset(textureSlots, 0, sizeof textureSlots);
  std::memset(&snapshotGrid, 0, sizeof snapshotGrid);
  buildMeshGrids();
}

// Runs one frame of the mesh at the given music time, as the director would:
// the clock values first, then drawMesh.
inline void meshFrameAt(int32_t timeMs) {
  frameDeltaMs = timeMs - musicTimeMs;
  musicTimeMs = timeMs;
  drawMesh();
}
