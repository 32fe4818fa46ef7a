// --jobs N: the frames of one capture drawn by N processes side by side, each
// one stretch of them, and put together again. A process that starts later
// runs the earlier frames without drawing them, so each draws exactly what
// one process alone would draw. PNG frames go straight into the folder; a
// video's pieces each start at a key frame and are joined without coding
// them again, and the music goes under the whole once.
#pragma once

#include <cstdint>

#include "tools/capture/capture.h"

// Splits frames first <= n < end into at most `jobs` stretches of nearly
// equal length, in order, each but the first starting a whole number of
// `alignFrames` after `first`. Writes them to `spans` (room for `jobs`) and
// returns how many there are (fewer when there are too few frames).
int splitFrames(int64_t first, int64_t end, int jobs, int64_t alignFrames, FrameSpan* spans);

// Runs the capture the options ask for in options.jobs processes and joins
// their output. Called in the show's folder before any GL context or thread
// exists (the processes are forked from this one). Returns the process exit
// status, as captureRun does.
int captureJobs(const CaptureOptions& options);
