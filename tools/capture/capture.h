// The capture: the show's own start-up and frames, with the music clock
// driven by the frame number instead of an audio device, read back from an
// offscreen GL context into an output.
//
// Frame n at F frames per second stands the music at sample
// floor(n * rate / F); the show reads its clock and spectrum from there
// through the same calls as on a desktop. Every frame from 0 on runs its
// updates, so the state that earlier frames build is the same however late
// a capture starts; frames outside the spans asked for are only not drawn.
#pragma once

#include <cstdint>

#include "platform/audio.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_output.h"

// A stretch of frames to draw: first <= n < end.
struct FrameSpan {
  int64_t first;
  int64_t end;
};

// The most spans one capture walks (the golden-frame test asks for a dozen).
constexpr int kMaxFrameSpans = 32;

// Exit statuses of the capture tool.
constexpr int kCaptureOk = 0;
constexpr int kCaptureFailed = 1;
constexpr int kCaptureBadOptions = 2;

// The sample frame of the music that video frame `frame` stands at.
uint64_t captureFrameSample(int64_t frame, uint32_t rateHz, int framesPerSecond);

// The first frame whose moment (frame / framesPerSecond s) is at or after
// `ms` of music; frames before it lie before that moment.
int64_t captureFrameAt(int64_t ms, int framesPerSecond);

// The frames a capture's options ask for.
FrameSpan captureSpanOf(const CaptureOptions& options);

// The show's start-up as the desktop program makes it, with the window an
// offscreen context of width x height: the window with its GL set-up, the
// music (offline), and the swarm placed once more. The show's files are read
// from the working directory. Returns 1, or 0 after saying what is missing.
int captureStartShow(int width, int height);

// Runs the show's frames on from where it stands (frame 0 after
// captureStartShow; the frame after the last one run by an earlier call) and
// hands the frames in `spans` (sorted, not overlapping, none before where
// the show stands) to `output`, which is opened first and finished at the
// end of the last span or when a frame reports the show's end, whichever
// comes first; that frame is not handed on. Reports progress on standard
// error when that is a terminal. Returns the process exit status:
// kCaptureOk, kCaptureFailed, or the status an interrupt asked for.
int captureRun(const CaptureOptions& options, const CaptureOutput& output, const FrameSpan* spans,
               int spanCount);

// From now on captureRun keeps the number of frames this process has drawn,
// over all its runs, in *count
// (memory shared with the process that started this one, for --jobs).
void captureDrawnCount(int64_t* count);

// Asks a running capture to stop after the frame in hand and leave nothing
// half-made behind; safe to call from a signal handler. captureRun then
// returns `status` (nonzero).
void captureInterrupt(int status);

// The status captureInterrupt asked for, 0 while there is none. A write
// blocked on a helper process gives up when a signal arrives with it set.
int captureInterrupted();
