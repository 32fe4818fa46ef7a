#include "tools/capture/benchmark.h"

#include <GL/gl.h>

#include <algorithm>
#include <ctime>

#include "app/frame_clock.h"
#include "gfx/gfx_cull.h"
#include "music/clock.h"
#include "timeline/moments.h"
#include "tools/capture/capture.h"
#include "tools/capture/progress.h"

namespace {
constexpr double kPercentile = 0.95;
constexpr double kNsPerMs = 1e6;

double clockMs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / kNsPerMs;
}

void printRow(std::FILE* out, const char* name, const char* window, const FrameTimeSummary& s) {
  std::fprintf(out, "%-16s %-15s %7lld %8.1f %8.1f %8.1f %6.0f%%\n", name, window,
               static_cast<long long>(s.frames), s.medianMs, s.p95Ms, s.worstMs,
               s.mainThreadShare * 100.0);
}
}  // namespace

const char* sceneName(int index) {
  return index >= 0 && index < kSceneCount ? momentName(playedMoments().scenes[index].name) : "?";
}

FrameTimeSummary summariseFrameTimes(const std::vector<FrameTime>& times) {
  FrameTimeSummary summary{};
  const size_t n = times.size();
  if (n == 0) return summary;
  std::vector<double> wall(n);
  double wallSum = 0.0;
  double mainSum = 0.0;
  for (size_t i = 0; i < n; ++i) {
    wall[i] = times[i].wallMs;
    wallSum += times[i].wallMs;
    mainSum += times[i].mainThreadMs;
  }
  std::sort(wall.begin(), wall.end());
  summary.frames = static_cast<int64_t>(n);
  summary.medianMs = n % 2 ? wall[n / 2] : (wall[n / 2 - 1] + wall[n / 2]) / 2.0;
  // Nearest rank: the smallest time that at least 95% of the frames reach.
  size_t rank = static_cast<size_t>(kPercentile * static_cast<double>(n));
  if (static_cast<double>(rank) < kPercentile * static_cast<double>(n)) ++rank;
  summary.p95Ms = wall[rank > 0 ? rank - 1 : 0];
  summary.worstMs = wall[n - 1];
  summary.mainThreadShare = wallSum > 0.0 ? mainSum / wallSum : 0.0;
  return summary;
}

void printFrameTimeReport(std::FILE* out, const std::vector<FrameTime>* byScene, int sceneCount) {
  std::fprintf(out, "%-16s %-15s %7s %8s %8s %8s %7s\n", "scene", "from-to (s)", "frames",
               "median", "p95", "worst", "main");
  std::vector<FrameTime> all;
  for (int i = 0; i < sceneCount; ++i) {
    if (byScene[i].empty()) continue;
    all.insert(all.end(), byScene[i].begin(), byScene[i].end());
    char window[32];
    const double from = i == 0 ? 0.0 : playedMoments().scenes[i].lo / 1000.0;
    if (i + 1 < kSceneCount)
      std::snprintf(window, sizeof window, "%.1f-%.1f", from, playedMoments().scenes[i + 1].lo / 1000.0);
    else
      std::snprintf(window, sizeof window, "%.1f-", from);
    printRow(out, sceneName(i), window, summariseFrameTimes(byScene[i]));
  }
  printRow(out, "all", "", summariseFrameTimes(all));
  std::fprintf(out, "(times in ms of wall time per frame; main: the main thread's CPU time "
                    "over the wall time)\n");
}

int captureBenchmark(const CaptureOptions& options, std::FILE* out) {
  const int fps = options.framesPerSecond;
  const FrameSpan span = captureSpanOf(options);
  std::vector<FrameTime> byScene[kSceneCount];
  progressStart(0);
  int64_t drawn = 0;
  GfxCullCounts before{};
  for (int64_t frame = 0; frame < span.end && captureInterrupted() == 0; ++frame) {
    const bool timed = frame >= span.first;
    if (frame == span.first) before = gfxCullCounts;
    const double wallStart = clockMs(CLOCK_MONOTONIC);
    const double cpuStart = clockMs(CLOCK_THREAD_CPUTIME_ID);
    const int running = runClockFrame(frame, fps, timed);
    if (timed) glFinish();
    const double cpuEnd = clockMs(CLOCK_THREAD_CPUTIME_ID);
    const double wallEnd = clockMs(CLOCK_MONOTONIC);
    if (!running) break;
    if (timed) {
      byScene[sceneAt(musicClock.musicTimeMs)].push_back({wallEnd - wallStart, cpuEnd - cpuStart});
      ++drawn;
    }
    progressUpdate(timed ? drawn : frame, !timed);
  }
  progressEnd();
  if (captureInterrupted() != 0) {
    captureError("interrupted");
    return captureInterrupted();
  }
  if (drawn == 0) {
    captureError("nothing to time: the show ends before the start");
    return kCaptureFailed;
  }
  std::fprintf(out, "%lld frames of %dx%d at %d fps\n", static_cast<long long>(drawn),
               options.width, options.height, fps);
  printFrameTimeReport(out, byScene, kSceneCount);
  if (gfxVisibleTrianglesOn()) {
    std::fprintf(out,
                 "visible triangles: on, %llu of %llu closed surfaces drawn with %llu "
                 "triangles left out\n",
                 static_cast<unsigned long long>(gfxCullCounts.surfacesCulled - before.surfacesCulled),
                 static_cast<unsigned long long>(gfxCullCounts.closedSurfaces - before.closedSurfaces),
                 static_cast<unsigned long long>(gfxCullCounts.trianglesLeftOut -
                                                 before.trianglesLeftOut));
  } else {
    std::fprintf(out, "visible triangles: off (VANTOREL_VISIBLE_TRIANGLES), every triangle drawn\n");
  }
  return kCaptureOk;
}
