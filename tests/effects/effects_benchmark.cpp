// Cost of one frame of the swarm and of the ribbons: their own work alone
// (calls discarded) and drawn on the software renderer at the window's size.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include "app/window.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "tests/support/headless_gl.h"

namespace {
// Both halves of the swarm visible and flying, as from the first cue on.
void flyingSwarm() {
  initSwarm();
  setSwarmState(kSpriteRespawn);
  drawSwarm();
  musicClock.frameDeltaMs = 16;
}

// All three ribbons shown and shifting every frame.
void driftingRibbons() {
  initRibbons();
  setRibbonMode(kRibbonTrail);
  musicClock.frameDeltaMs = 60;
}

void BM_SwarmLogic(benchmark::State& state) {
  gfx = &gfxDiscard;
  flyingSwarm();
  for (auto _ : state) drawSwarm();
  gfx = &gfxDirect;
}
BENCHMARK(BM_SwarmLogic);

void BM_RibbonsLogic(benchmark::State& state) {
  gfx = &gfxDiscard;
  driftingRibbons();
  for (auto _ : state) drawRibbons();
  gfx = &gfxDirect;
}
BENCHMARK(BM_RibbonsLogic);

void BM_SwarmOnLlvmpipe(benchmark::State& state) {
  HeadlessGl gl(kWindowWidth, kWindowHeight);
  if (!gl.ok()) return state.SkipWithError("no GL context");
  resizeScene(kWindowWidth, kWindowHeight);
  glTranslatef(0, 0, -5);
  flyingSwarm();
  musicClock.frameDeltaMs = 0;  // keep the same sprites in view in every iteration
  for (auto _ : state) {
    drawSwarm();
    glFinish();
  }
}
BENCHMARK(BM_SwarmOnLlvmpipe)->Unit(benchmark::kMillisecond);

void BM_RibbonsOnLlvmpipe(benchmark::State& state) {
  HeadlessGl gl(kWindowWidth, kWindowHeight);
  if (!gl.ok()) return state.SkipWithError("no GL context");
  resizeScene(kWindowWidth, kWindowHeight);
  glTranslatef(0, 0, -5);
  glDisable(GL_TEXTURE_2D);
  driftingRibbons();
  for (auto _ : state) {
    drawRibbons();
    glFinish();
  }
}
BENCHMARK(BM_RibbonsOnLlvmpipe)->Unit(benchmark::kMillisecond);
}  // namespace
