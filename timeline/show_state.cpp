#include "timeline/show_state.h"

#include <cstring>

namespace {
void copyParts(ShowParts* out) {
  out->director = director;
  out->cues = cues;
  out->mesh = mesh;
  out->meshDue = meshWork.due;
  out->swarm = swarm;
  out->ribbons = ribbons;
  out->random = randomGenerator;
  out->clock = musicClock;
  out->gfx = gfxState;
}

// The parts back, and the grids as putMeshWorkBack hands them over.
void putPartsBack(const ShowParts& parts, const MeshGrid* workGrid, const MeshGrid* snapshotGrid) {
  director = parts.director;
  cues = parts.cues;
  mesh = parts.mesh;
  putMeshWorkBack(workGrid, snapshotGrid, parts.meshDue);
  swarm = parts.swarm;
  ribbons = parts.ribbons;
  randomGenerator = parts.random;
  musicClock = parts.clock;
  putGfxStateBack(parts.gfx);
}

// A kept grid: the one kept before when it holds the same, else a copy.
std::shared_ptr<const MeshGrid> keepGrid(const MeshGrid& grid,
                                         const std::shared_ptr<const MeshGrid>& before) {
  if (before && std::memcmp(before.get(), &grid, sizeof grid) == 0) return before;
  return std::make_shared<const MeshGrid>(grid);
}
}  // namespace

void copyShowState(ShowState* out) {
  copyParts(&out->parts);
  std::memcpy(&out->workGrid, &meshWork.workGrid, sizeof out->workGrid);
  std::memcpy(&out->snapshotGrid, &meshWork.snapshotGrid, sizeof out->snapshotGrid);
}

void putShowStateBack(const ShowState& state) {
  putPartsBack(state.parts, &state.workGrid, &state.snapshotGrid);
}

void resetShowState() {
  resetDirector();
  resetCues();
  resetMesh();
  resetMeshWork();
  resetSwarm();
  resetRibbons();
  resetRandom();
  resetMusicClock();
  resetGfxState();
}

void keepShowState(KeptShowState* out, const KeptShowState* before) {
  copyParts(&out->parts);
  static const std::shared_ptr<const MeshGrid> none;
  out->workGrid = meshWork.due.what == kGridDue
                      ? nullptr
                      : keepGrid(meshWork.workGrid, before ? before->workGrid : none);
  out->snapshotGrid = keepGrid(meshWork.snapshotGrid, before ? before->snapshotGrid : none);
}

void putKeptShowStateBack(const KeptShowState& kept) {
  putPartsBack(kept.parts, kept.workGrid.get(), kept.snapshotGrid.get());
}

size_t keptShowStateBytes(const KeptShowState& kept, const KeptShowState* before) {
  size_t bytes = sizeof kept;
  if (kept.workGrid && (!before || before->workGrid != kept.workGrid)) bytes += sizeof(MeshGrid);
  if (kept.snapshotGrid && (!before || before->snapshotGrid != kept.snapshotGrid))
    bytes += sizeof(MeshGrid);
  return bytes;
}
