// Jumps across the show at 1280x720 on the software renderer, with the
// build's pictures and music: 300 jumps to moments picked at random over the
// whole show, each the state put in place (the nearest moment kept and the
// frames after it) and the frame there drawn and finished, as a jump on the
// desktop makes it. Reported apart for jumps forwards and backwards: the
// median and the worst, in ms. A first jump before any moment is run ahead
// (from the start to the show's last second) is reported beside, with the
// memory the whole show's moments hold.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "app/frame_clock.h"
#include "app/seek.h"
#include "platform/sys.h"
#include "timeline/moments.h"
#include "tools/capture/capture.h"

namespace {
constexpr int kJumps = 300;

bool started() {
  static int ok = -1;
  if (ok < 0) {
    sysTuneAllocator();
    ok = chdir(VANTOREL_SHOW_DIR) == 0 && captureStartShow(1280, 720) && seekStart() ? 1 : 0;
  }
  return ok == 1;
}

double nowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// One jump: the state before `frame`, then the frame drawn and finished.
double jumpMs(int64_t frame) {
  const double start = nowMs();
  seekStateBefore(frame);
  runClockFrame(frame, kSeekFramesPerSecond, true);
  glFinish();
  return nowMs() - start;
}

double median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  return n == 0 ? 0.0 : n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2.0;
}

void firstJumpToTheEnd(benchmark::State& state) {
  if (!started()) {
    state.SkipWithError("no GL context or no show files");
    return;
  }
  for (auto _ : state) {
    const double ms = jumpMs(frameClockFrameAt(showEndsAtMs() - 1000, kSeekFramesPerSecond));
    state.counters["jump_ms"] = ms;
  }
  state.counters["moments"] = seekKeptMoments();
}
BENCHMARK(firstJumpToTheEnd)->Iterations(1)->Unit(benchmark::kMillisecond);

void jumpsAcrossTheShow(benchmark::State& state) {
  if (!started()) {
    state.SkipWithError("no GL context or no show files");
    return;
  }
  while (seekRunAhead(1e9)) {
  }
  std::mt19937 pick(7);
  std::uniform_int_distribution<int32_t> moment(0, showEndsAtMs() - 1);
  std::vector<double> forwards, backwards;
  for (auto _ : state) {
    int64_t at = 0;
    for (int i = 0; i < kJumps; ++i) {
      const int64_t frame = frameClockFrameAt(moment(pick), kSeekFramesPerSecond);
      (frame >= at ? forwards : backwards).push_back(jumpMs(frame));
      at = frame;
    }
  }
  state.counters["forwards_median_ms"] = median(forwards);
  state.counters["forwards_worst_ms"] = *std::max_element(forwards.begin(), forwards.end());
  state.counters["backwards_median_ms"] = median(backwards);
  state.counters["backwards_worst_ms"] = *std::max_element(backwards.begin(), backwards.end());
  state.counters["moments"] = seekKeptMoments();
  state.counters["moments_MB"] = static_cast<double>(seekKeptBytes()) / 1e6;
}
BENCHMARK(jumpsAcrossTheShow)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace
