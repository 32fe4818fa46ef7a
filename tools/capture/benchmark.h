// The frame-time report: the show drawn offscreen as the capture draws it,
// nothing read back or encoded, each frame timed, and the times summed up
// per scene of the show (the scene rows of timeline/moments.h) and for the
// whole stretch.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/capture/capture_options.h"

// One drawn frame: wall time from the start of the frame until GL has
// finished it (what a buffer swap waits for), and the main thread's own CPU
// time in that span, both in ms.
struct FrameTime {
  double wallMs;
  double mainThreadMs;
};

// The summary of a set of frames. Percentiles are nearest-rank; the median of
// an even count is the mean of the two middle times.
struct FrameTimeSummary {
  int64_t frames;
  double medianMs;
  double p95Ms;
  double worstMs;
  double mainThreadShare;  // main-thread CPU time over wall time, 0 to 1 (or a little over)
};

// Summarises `times` (any order; left as it was). All zero for no frames.
FrameTimeSummary summariseFrameTimes(const std::vector<FrameTime>& times);

// Prints the report: a header line, one row per scene that has frames (its
// name, frames, median, 95th percentile, worst in ms, main thread %), then
// the row of all of them. `byScene[i]` holds the frames of kScenes[i].
void printFrameTimeReport(std::FILE* out, const std::vector<FrameTime>* byScene, int sceneCount);

// The name of kScenes[index], as the report prints it.
const char* sceneName(int index);

// Runs the show from frame 0 to the end of the options' stretch (or the
// show's end), draws and times the frames of the stretch and prints the
// report on `out`. The show has been started (captureStartShow). Returns the
// process exit status: kCaptureOk, kCaptureFailed or an interrupt's status.
int captureBenchmark(const CaptureOptions& options, std::FILE* out);
