#include "tools/capture/capture.h"

#include <GL/gl.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>

#include "app/frame_clock.h"
#include "app/show.h"
#include "app/window.h"
#include "assets/textures.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "platform/headless/audio_offline.h"
#include "timeline/moments.h"
#include "tools/capture/frame_writer.h"
#include "tools/capture/progress.h"

namespace {
constexpr int64_t kMsPerSecond = 1000;

struct Run {
  const CaptureOutput* output = nullptr;
  int width = 0;
  int height = 0;
  bool failed = false;
};
Run run;
int64_t* drawnCountOut = nullptr;
// Frames drawn by this process over all its runs.
int64_t drawnInProcess = 0;
// The next frame the show runs: the frames before it have run, drawn or not.
// The show's state only goes forward, so a run starts here.
int64_t showFrame = 0;

volatile std::sig_atomic_t interruptStatus = 0;

// Reads the frame just drawn into a free buffer and queues it for the output.
void readFrame(int64_t frame) {
  uint8_t* pixels = frameWriterBuffer();
  if (!pixels) {
    run.failed = true;
    return;
  }
  glReadPixels(0, 0, run.width, run.height, run.output->pixelFormat, GL_UNSIGNED_BYTE, pixels);
  frameWriterPost(frame);
}

// A process of --jobs leaves saying so to the one that started it.
void reportInterrupted() {
  if (!drawnCountOut) captureError("interrupted; the unfinished output was removed");
}

// Finishes the output after the frames handed so far; returns the status.
int finishRun() {
  gfx = &gfxDirect;
  if (run.failed || interruptStatus != 0) run.output->halt();
  bool refused = false;
  const int64_t written = frameWriterStop(&refused);
  progressEnd();
  if (run.failed || refused || interruptStatus != 0) {
    run.output->abandon();
    if (interruptStatus == 0) return kCaptureFailed;
    reportInterrupted();
    return interruptStatus;
  }
  if (written == 0) {
    captureError("nothing to capture: the show ends before the start");
    run.output->abandon();
    return kCaptureFailed;
  }
  if (run.output->finish(written)) return kCaptureOk;
  if (interruptStatus == 0) return kCaptureFailed;
  reportInterrupted();
  return interruptStatus;
}

bool inSpans(int64_t frame, const FrameSpan* spans, int spanCount) {
  for (int i = 0; i < spanCount; ++i) {
    if (frame >= spans[i].first && frame < spans[i].end) return true;
  }
  return false;
}
}  // namespace

void captureError(const char* format, ...) {
  progressEnd();
  std::fputs("vantorel-capture: ", stderr);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

const CaptureOutput& captureOutputFor(CaptureOutputKind kind) {
  return kind == CaptureOutputKind::Video ? videoOutput : framesOutput;
}

uint64_t captureFrameSample(int64_t frame, uint32_t rateHz, int framesPerSecond) {
  return frameClockSample(frame, rateHz, framesPerSecond);
}

int64_t captureFrameAt(int64_t ms, int framesPerSecond) {
  return frameClockFrameAt(ms, framesPerSecond);
}

FrameSpan captureSpanOf(const CaptureOptions& options) {
  const int64_t first = captureFrameAt(options.startMs, options.framesPerSecond);
  const int64_t end = options.endMs == kCaptureToShowEnd
                          ? INT64_MAX
                          : captureFrameAt(options.endMs, options.framesPerSecond);
  return {first, end};
}

int captureStartShow(int width, int height) {
  if (!createGLWindow(kWindowTitle, width, height, kWindowBits, 0)) {
    captureError("cannot make an offscreen GL context of %dx%d", width, height);
    return 0;
  }
  // The desktop program waits here for its window to settle before it starts
  // the music; an offline stream has nothing to wait for. A process of
  // --jobs has the music from the one that started it.
  showFrame = 0;
  if (!musicSource.musicStream) startMusic();
  if (musicSource.musicSilent || !musicSource.musicStream) {
    captureError("cannot read the music %s", kMusicFile);
    return 0;
  }
  initSwarm();
  // A picture that fails to load leaves its slot blank in the show as well;
  // the capture goes on but says so.
  for (const TextureSlot& slot : textureSlots) {
    if (slot.fileName && slot.id == 0)
      captureError("warning: the picture %s is missing or unreadable", slot.fileName);
  }
  return 1;
}

void captureInterrupt(int status) { interruptStatus = status; }

void captureDrawnCount(int64_t* count) { drawnCountOut = count; }

int captureInterrupted() { return interruptStatus; }

int captureRun(const CaptureOptions& options, const CaptureOutput& output, const FrameSpan* spans,
               int spanCount) {
  const AudioStream music = musicSource.musicStream;
  const uint32_t rate = audioOfflineRate(music);
  const int fps = options.framesPerSecond;
  // The show ends itself at the latest on the first frame past the end of
  // the music; the loop never runs beyond it.
  const int64_t musicMs = static_cast<int64_t>(audioOfflineFrames(music)) * kMsPerSecond / rate;
  int64_t stopAt = spans[spanCount - 1].end;
  if (stopAt > captureFrameAt(musicMs + 1, fps) + 1) stopAt = captureFrameAt(musicMs + 1, fps) + 1;

  if (spans[0].first < showFrame) {
    captureError("frame %lld has already been run", static_cast<long long>(spans[0].first));
    return kCaptureFailed;
  }
  run = Run{};
  run.output = &output;
  run.width = options.width;
  run.height = options.height;
  if (!output.open(options, music, spans[0].first)) return kCaptureFailed;
  const size_t frameBytes = static_cast<size_t>(options.width) *
                            static_cast<size_t>(options.height) *
                            static_cast<size_t>(output.bytesPerPixel);
  if (!frameWriterStart(output, frameBytes)) {
    output.abandon();
    return kCaptureFailed;
  }
  glPixelStorei(GL_PACK_ALIGNMENT, 1);

  // The show reports its end at its end time, or on the first frame after the
  // music has stopped, whichever comes first.
  const int64_t endMs = musicMs < showEndsAtMs() ? musicMs : showEndsAtMs();
  const int64_t showEndFrame = captureFrameAt(endMs, fps);
  int64_t total = 0;
  for (int i = 0; i < spanCount; ++i) {
    const int64_t end = spans[i].end < showEndFrame ? spans[i].end : showEndFrame;
    if (end > spans[i].first) total += end - spans[i].first;
  }
  progressStart(total);

  int64_t drawnFrames = 0;
  for (; showFrame < stopAt && !run.failed && interruptStatus == 0; ++showFrame) {
    const int64_t frame = showFrame;
    const bool drawn = inSpans(frame, spans, spanCount);
    // The frame that reports the show's end is not part of it: the frames
    // handed on so far are the whole capture.
    if (!runClockFrame(frame, fps, drawn)) {
      ++showFrame;
      break;
    }
    if (drawn) {
      readFrame(frame);
      ++drawnFrames;
      ++drawnInProcess;
      if (drawnCountOut) *drawnCountOut = drawnInProcess;
    }
    progressUpdate(drawn ? drawnFrames : frame, !drawn && drawnFrames == 0);
  }
  return finishRun();
}
