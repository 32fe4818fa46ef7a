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
  resetMesh();
  resetMeshWork();
  resetMusicClock();
  std::memset(textureSlots, 0, sizeof textureSlots);
  buildMeshGrids();
}

// Runs one frame of the mesh at the given music time, as the director would:
// the clock values first, then drawMesh.
inline void meshFrameAt(int32_t timeMs) {
  musicClock.frameDeltaMs = timeMs - musicClock.musicTimeMs;
  musicClock.musicTimeMs = timeMs;
  drawMesh();
}
