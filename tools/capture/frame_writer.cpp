#include "tools/capture/frame_writer.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "tools/capture/capture.h"

namespace {
constexpr std::chrono::milliseconds kInterruptPoll{100};

// A ring of buffers: the main thread fills them in order, the writer empties
// them in the same order.
struct Writer {
  const CaptureOutput* output = nullptr;
  uint8_t* buffers[kFrameBuffers] = {};
  int64_t frames[kFrameBuffers] = {};
  std::thread thread;
  std::mutex lock;
  std::condition_variable changed;
  int posted = 0;         // buffers posted and not yet written; guarded by lock
  int nextFill = 0;       // main thread only
  int nextWrite = 0;      // writer thread only
  int64_t written = 0;    // guarded by lock
  bool stopping = false;  // guarded by lock
  bool failed = false;    // guarded by lock
};
Writer writer;

void writeFrames() {
  for (;;) {
    int slot = 0;
    {
      std::unique_lock<std::mutex> hold(writer.lock);
      writer.changed.wait(hold, [] { return writer.posted > 0 || writer.stopping; });
      if (writer.posted == 0) return;
      slot = writer.nextWrite;
    }
    const bool ok =
        !writer.failed && writer.output->write(writer.frames[slot], writer.buffers[slot]);
    {
      std::lock_guard<std::mutex> hold(writer.lock);
      if (ok)
        ++writer.written;
      else
        writer.failed = true;
      --writer.posted;
    }
    writer.nextWrite = (slot + 1) % kFrameBuffers;
    writer.changed.notify_all();
  }
}
}  // namespace

int frameWriterStart(const CaptureOutput& output, size_t frameBytes) {
  writer.output = &output;
  writer.posted = 0;
  writer.nextFill = 0;
  writer.nextWrite = 0;
  writer.written = 0;
  writer.stopping = false;
  writer.failed = false;
  for (uint8_t*& buffer : writer.buffers) {
    buffer = static_cast<uint8_t*>(std::malloc(frameBytes));
    if (!buffer) {
      captureError("not enough memory for frames of %zu bytes", frameBytes);
      bool ignored = false;
      frameWriterStop(&ignored);
      return 0;
    }
  }
  writer.thread = std::thread(writeFrames);
  return 1;
}

uint8_t* frameWriterBuffer() {
  std::unique_lock<std::mutex> hold(writer.lock);
  // A signal does not wake a thread waiting here: look at the interrupt now
  // and then, in case the output is stuck.
  while (!writer.changed.wait_for(hold, kInterruptPoll,
                                  [] { return writer.posted < kFrameBuffers || writer.failed; })) {
    if (captureInterrupted()) return nullptr;
  }
  return writer.failed ? nullptr : writer.buffers[writer.nextFill];
}

void frameWriterPost(int64_t frame) {
  writer.frames[writer.nextFill] = frame;
  writer.nextFill = (writer.nextFill + 1) % kFrameBuffers;
  {
    std::lock_guard<std::mutex> hold(writer.lock);
    ++writer.posted;
  }
  writer.changed.notify_all();
}

int64_t frameWriterStop(bool* failed) {
  if (writer.thread.joinable()) {
    {
      std::lock_guard<std::mutex> hold(writer.lock);
      writer.stopping = true;
    }
    writer.changed.notify_all();
    writer.thread.join();
  }
  for (uint8_t*& buffer : writer.buffers) {
    std::free(buffer);
    buffer = nullptr;
  }
  *failed = writer.failed;
  return writer.written;
}
