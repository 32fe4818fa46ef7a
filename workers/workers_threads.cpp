// Helper threads that sleep between loops. They wait on a condition variable
// rather than spinning: a spinning helper would take a core from the
// renderer's own threads as soon as the frame is handed over.
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "workers/workers.h"
#include "workers/workers_split.h"

namespace {
struct Pool {
  pid_t owner = getpid();
  std::mutex lock;
  std::condition_variable wake;
  std::condition_variable finished;
  unsigned long generation = 0;  // counts the loops handed out
  int unfinished = 0;            // helpers' runs of this loop still going
  WorkSplit split;
  void (*body)(void*, int, int, int) = nullptr;
  void* context = nullptr;
  std::vector<std::thread> helpers;

  void help(int part) {
    unsigned long seen = 0;
    std::unique_lock<std::mutex> held(lock);
    for (;;) {
      wake.wait(held, [&] { return generation != seen; });
      seen = generation;
      if (part >= split.parts) continue;
      const int begin = split.begin[part], end = split.begin[part + 1];
      void (*const run)(void*, int, int, int) = body;
      void* const with = context;
      held.unlock();
      run(with, part, begin, end);
      held.lock();
      if (--unfinished == 0) finished.notify_one();
    }
  }
};

int partsWanted() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(static_cast<int>(cores), 1, WorkSplit::kMaxParts);
}

// The pool of this process. A process made by fork() has none of its
// parent's threads, so it starts a pool of its own; the parent's is left
// alone (its lock may have been in any state at the fork).
Pool& pool() {
  static Pool* current = nullptr;
  if (!current || current->owner != getpid()) {
    current = new Pool;
    const int parts = partsWanted();
    for (int part = 1; part < parts; ++part) {
      current->helpers.emplace_back([pool = current, part] { pool->help(part); });
      current->helpers.back().detach();
    }
  }
  return *current;
}
}  // namespace

int workersCount() { return static_cast<int>(pool().helpers.size()) + 1; }

void workersFor(int count, int minItems, void (*body)(void*, int, int, int), void* context) {
  Pool& p = pool();
  const WorkSplit split = splitWork(count, minItems, workersCount());
  if (split.parts <= 1) {
    if (count > 0) body(context, 0, 0, count);
    return;
  }
  {
    std::lock_guard<std::mutex> held(p.lock);
    p.split = split;
    p.body = body;
    p.context = context;
    p.unfinished = split.parts - 1;
    ++p.generation;
  }
  p.wake.notify_all();
  body(context, 0, split.begin[0], split.begin[1]);
  std::unique_lock<std::mutex> held(p.lock);
  p.finished.wait(held, [&] { return p.unfinished == 0; });
}
