// Where captured frames go: the kinds of output, one table of operations
// each. The capture loop opens one output, hands it every frame in order and
// then finishes it, or abandons it when anything fails.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "platform/audio.h"
#include "tools/capture/capture_options.h"

// Reports one failure of the capture on standard error, as
// "vantorel-capture: <text>", printf-style.
[[gnu::format(printf, 1, 2)]] void captureError(const char* format, ...);

struct CaptureOutput {
  // How the frames are read back from GL for this output, and the bytes of a
  // pixel in that form.
  GLenum pixelFormat;
  int bytesPerPixel;

  // Checks that the output can be made and starts it, before any frame is
  // drawn. `music` is the music stream; `firstFrame` the number of the
  // first frame that will be written. Returns 1, or 0 after reporting why
  // (and leaving nothing behind).
  int (*open)(const CaptureOptions& options, AudioStream music, int64_t firstFrame);

  // Takes frame `frame`: width x height pixels in GL's order (bottom row
  // first), pixelFormat, rows packed tight. Frames come in order without
  // gaps. Returns 1, or 0 after reporting the failure.
  int (*write)(int64_t frame, const uint8_t* pixels);

  // Completes the output after `frames` frames (the number written). Returns
  // 1 when the output is whole where it was asked for, else 0 after
  // reporting why and removing what was partly written.
  int (*finish)(int64_t frames);

  // Stops whatever helper takes the frames, so that a write waiting on it
  // fails at once. Safe while another thread is inside write.
  void (*halt)();

  // Gives up: stops whatever helper runs and removes what was partly written.
  // Called when no write is in progress; safe when nothing is open.
  void (*abandon)();
};

// An H.264 .mp4 with the music, encoded by the ffmpeg command-line tool.
extern const CaptureOutput videoOutput;
// A folder of PNG files named by frame number.
extern const CaptureOutput framesOutput;

// Frames from one key frame of a video to the next: a video made by several
// processes is joined from pieces that each start at a key frame.
int captureKeyFrameInterval(int framesPerSecond);

// Makes the video options.output (with the music under frames firstFrame to
// firstFrame + frames - 1) from `pieces`, pictures-only videos of those
// frames in order made by videoOutput with options.pictureOnly, without
// coding the pictures again. Leaves the pieces where they are. Returns 1,
// or 0 after reporting why and leaving nothing of the video behind.
int joinVideo(const CaptureOptions& options, AudioStream music, int64_t firstFrame,
              const char* const* pieces, int pieceCount, int64_t frames);

// The output for an options' kind.
const CaptureOutput& captureOutputFor(CaptureOutputKind kind);
