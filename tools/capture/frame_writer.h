// Hands drawn frames to the output on a thread of its own, so that the
// renderer draws the next frame while the last one is encoded or written.
// The main thread reads each frame from GL into a free buffer and posts it;
// the writer thread passes the buffers to the output in the order posted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/capture/capture_output.h"

// Frames in flight: one being written, one waiting, one being read from GL.
constexpr int kFrameBuffers = 3;

// Makes the buffers (frameBytes each, once for the whole capture) and starts
// the writer for `output`, which is open. Returns 1, or 0 after reporting.
int frameWriterStart(const CaptureOutput& output, size_t frameBytes);

// A free buffer for the next frame; waits while every buffer is in flight.
// Null once the output has failed.
uint8_t* frameWriterBuffer();

// Queues the buffer last handed out as frame `frame`.
void frameWriterPost(int64_t frame);

// Waits until every posted frame has been handed to the output, then stops
// the writer and frees the buffers. Returns the number of frames the output
// took; `failed` tells whether it refused one (it has reported why).
int64_t frameWriterStop(bool* failed);
