// Copying the show's state out and putting it back: the time of each and the
// size of the record (the label), as a jump to a moment would pay them.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "effects/mesh_grids.h"
#include "gfx/gfx.h"
#include "timeline/show_state.h"

namespace {
void prepare() {
  gfx = &gfxDiscard;
  resetShowState();
  buildMeshGrids();
}

void copyOut(benchmark::State& state) {
  prepare();
  auto copy = std::make_unique<ShowState>();
  for (auto _ : state) {
    copyShowState(copy.get());
    benchmark::DoNotOptimize(copy->workGrid.v[0].x);
  }
  state.SetLabel(std::to_string(sizeof(ShowState)) + " bytes");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(sizeof(ShowState)));
}
BENCHMARK(copyOut)->Unit(benchmark::kMicrosecond);

void putBack(benchmark::State& state) {
  prepare();
  auto copy = std::make_unique<ShowState>();
  copyShowState(copy.get());
  for (auto _ : state) {
    putShowStateBack(*copy);
    benchmark::DoNotOptimize(meshWork.workGrid.v[0].x);
  }
  state.SetLabel(std::to_string(sizeof(ShowState)) + " bytes");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(sizeof(ShowState)));
}
BENCHMARK(putBack)->Unit(benchmark::kMicrosecond);
}  // namespace
