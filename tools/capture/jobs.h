// --jobs N: the frames of one capture drawn by N processes side by side and
// put together again. The frames are cut into stretches in order; each
// process takes the next stretch nobody has taken whenever it is free, so a
// process never waits while another still has a long way to go. The first
// stretches are long and the last ones short, and a process only ever moves
// forward: it runs the frames between its stretches without drawing them,
// so each draws exactly what one process alone would draw. PNG frames go
// straight into the folder; a video's pieces, one a stretch, each start at a
// key frame and are joined without coding them again, and the music goes
// under the whole once.
#pragma once

#include <cstdint>

#include "tools/capture/capture.h"

// The most stretches one capture is cut into.
constexpr int kMaxCaptureStretches = 256;

// Cuts frames first <= n < end into stretches for `jobs` processes, in order:
// each a share of 1 / (2 * jobs) of the frames not yet cut, but no shorter
// than minFrames (the last may be), and each but the first starting a whole
// number of alignFrames after `first`. Writes them to `spans` (room for
// maxStretches; the last one takes what is left) and returns how many there
// are, 0 when there are no frames.
int planStretches(int64_t first, int64_t end, int jobs, int64_t alignFrames, int64_t minFrames,
                  FrameSpan* spans, int maxStretches);

// Runs the capture the options ask for in options.jobs processes and joins
// their output. Called in the show's folder before any GL context or thread
// exists (the processes are forked from this one). Returns the process exit
// status, as captureRun does.
int captureJobs(const CaptureOptions& options);
