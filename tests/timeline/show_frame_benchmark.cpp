// Whole frames of the show at 1280 x 720 on the software renderer, with the
// build's pictures and music: the director, the title and small cards, the
// wall, 512 sprites, the mesh with its satellite and the ribbons, as the show
// draws them at a few moments. Each moment is reached by running the frames
// before it at 60 per second without drawing, as the real show would have.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>

#include "app/show.h"
#include "app/window.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "platform/headless/audio_offline.h"
#include "platform/sys.h"
#include "timeline/director.h"

namespace {
constexpr int kFramesPerSecond = 60;
int64_t frameNumber = 0;

bool startShow() {
  static int started = -1;
  if (started >= 0) return started == 1;
  started = 0;
  sysTuneAllocator();
  if (chdir(VANTOREL_SHOW_DIR) != 0) return false;
  if (!createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0)) return false;
  startMusic();
  initSwarm();
  started = musicSource.musicStream != 0;
  return started == 1;
}

// One frame of the show: the music stood at this frame's sample.
void nextFrame(bool draw) {
  const uint64_t sample =
      static_cast<uint64_t>(frameNumber) * audioOfflineRate(musicSource.musicStream) / kFramesPerSecond;
  audioOfflineSetFrame(musicSource.musicStream, sample);
  gfx = draw ? &gfxDirect : &gfxDiscard;
  renderFrame();
  if (draw) glFinish();
  gfx = &gfxDirect;
  ++frameNumber;
}

void showFrameAt(benchmark::State& state) {
  if (!startShow()) {
    state.SkipWithError("no GL context or no show files");
    return;
  }
  const int64_t target = state.range(0) * kFramesPerSecond / 1000;
  while (frameNumber < target) nextFrame(false);
  for (auto _ : state) nextFrame(true);
  state.SetLabel(std::to_string(musicClock.musicTimeMs) + " ms");
}
// The reveal; the cube under a title with the card; the ribbons' square
// waves; the pulse under a title with the card and the spectrum ribbons; the
// wobble with the wave ribbons; the bouncing satellite; the spinning finale.
BENCHMARK(showFrameAt)
    ->Arg(8000)
    ->Arg(38000)
    ->Arg(61000)
    ->Arg(70000)
    ->Arg(85000)
    ->Arg(135000)
    ->Arg(170000)
    ->Iterations(60)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
}  // namespace
