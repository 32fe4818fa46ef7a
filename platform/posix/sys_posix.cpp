#include "platform/sys.h"

#include <malloc.h>

#include <cerrno>
#include <ctime>

namespace {
// Large enough to hold every buffer the GL driver frees and takes again
// within a frame (a whole mesh of vertex data is a few megabytes).
constexpr int kKeptHeapBytes = 256 * 1024 * 1024;

// glibc's ceiling for the mmap threshold on 64-bit systems; blocks below it
// come from the heap that the two settings above keep.
constexpr int kLargestHeapBlock = 32 * 1024 * 1024;
}  // namespace

void sysSleep(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int64_t sysMonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void sysTuneAllocator() {
  mallopt(M_TRIM_THRESHOLD, kKeptHeapBytes);
  mallopt(M_TOP_PAD, kKeptHeapBytes);
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
}
