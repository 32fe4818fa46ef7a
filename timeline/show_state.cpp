#include "timeline/show_state.h"

void copyShowState(ShowState* out) {
  out->director = director;
  out->cues = cues;
  out->mesh = mesh;
  out->meshWork = meshWork;
  out->swarm = swarm;
  out->ribbons = ribbons;
  out->random = randomGenerator;
  out->clock = musicClock;
  out->gfx = gfxState;
}

void putShowStateBack(const ShowState& state) {
  director = state.director;
  cues = state.cues;
  mesh = state.mesh;
  putMeshWorkBack(state.meshWork);
  swarm = state.swarm;
  ribbons = state.ribbons;
  randomGenerator = state.random;
  musicClock = state.clock;
  putGfxStateBack(state.gfx);
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
