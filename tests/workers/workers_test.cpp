// The helper threads: every item of a loop is run once, in runs of
// neighbouring items that follow the parts' order, on as many threads as
// there are parts; a process made by fork() has helpers of its own.
#include "workers/workers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "workers/workers_split.h"

namespace {
struct LoopRun {
  int part, begin, end;
};

// The runs one loop is cut into, as the body saw them, by part.
std::vector<LoopRun> runsOf(int count, int minItems) {
  std::vector<LoopRun> runs(static_cast<size_t>(workersCount()), LoopRun{-1, 0, 0});
  workersFor(count, minItems, [&](int part, int begin, int end) {
    runs[static_cast<size_t>(part)] = {part, begin, end};
  });
  std::vector<LoopRun> used;
  for (const LoopRun& r : runs) {
    if (r.part >= 0) used.push_back(r);
  }
  return used;
}
}  // namespace

TEST(Workers, EveryItemRunsOnceInRunsThatFollowThePartsOrder) {
  for (int count : {1, 7, 100, 4096, 32768, 32769}) {
    for (int minItems : {1, 16, 8192}) {
      SCOPED_TRACE(testing::Message() << count << " items, at least " << minItems << " a run");
      std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
      workersFor(count, minItems, [&](int, int begin, int end) {
        for (int i = begin; i < end; ++i) seen[static_cast<size_t>(i)].fetch_add(1);
      });
      int wrong = 0;
      for (const auto& s : seen) wrong += s.load() != 1;
      EXPECT_EQ(wrong, 0);

      const std::vector<LoopRun> runs = runsOf(count, minItems);
      ASSERT_FALSE(runs.empty());
      EXPECT_EQ(runs.front().begin, 0);
      EXPECT_EQ(runs.back().end, count);
      for (size_t k = 0; k < runs.size(); ++k) {
        EXPECT_EQ(runs[k].part, static_cast<int>(k));
        if (k > 0) {
          EXPECT_EQ(runs[k].begin, runs[k - 1].end);
        }
        if (runs.size() > 1) {
          EXPECT_GE(runs[k].end - runs[k].begin, minItems);
        }
      }
      EXPECT_LE(static_cast<int>(runs.size()), workersCount());
    }
  }
}

TEST(Workers, NothingRunsForAnEmptyLoop) {
  int calls = 0;
  workersFor(0, 1, [&](int, int, int) { ++calls; });
  workersFor(-3, 1, [&](int, int, int) { ++calls; });
  EXPECT_EQ(calls, 0);
}

TEST(Workers, ALoopIsCutAsEvenlyAsItCanBe) {
  const WorkSplit split = splitWork(10, 1, 4);
  ASSERT_EQ(split.parts, 4);
  const int expected[] = {0, 3, 6, 8, 10};
  for (int k = 0; k <= 4; ++k) EXPECT_EQ(split.begin[k], expected[k]);
  EXPECT_EQ(splitWork(10, 4, 8).parts, 2) << "no run shorter than the least worth a thread";
  EXPECT_EQ(splitWork(3, 4, 8).parts, 1);
  EXPECT_EQ(splitWork(1000, 1, 100).parts, WorkSplit::kMaxParts);
  EXPECT_EQ(splitWork(0, 1, 4).parts, 0);
}

TEST(Workers, TheHelpersTakeTheirPartsOnThreadsOfTheirOwn) {
  if (workersCount() < 2) GTEST_SKIP() << "one core: no helpers";
  std::mutex lock;
  std::set<std::thread::id> threads;
  for (int loop = 0; loop < 50; ++loop) {
    workersFor(workersCount(), 1, [&](int, int, int) {
      std::lock_guard<std::mutex> held(lock);
      threads.insert(std::this_thread::get_id());
    });
  }
  EXPECT_EQ(static_cast<int>(threads.size()), workersCount());
  EXPECT_TRUE(threads.count(std::this_thread::get_id())) << "the caller runs a part itself";
}

TEST(Workers, AForkedProcessRunsItsLoopsWithHelpersOfItsOwn) {
  // The parent's helpers are started before the fork; the child has none of
  // their threads and must not wait for them.
  workersFor(1000, 1, [](int, int, int) {});
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::atomic<int> sum{0};
    for (int loop = 0; loop < 20; ++loop) {
      workersFor(1000, 1, [&](int, int begin, int end) { sum += end - begin; });
    }
    _exit(sum.load() == 20000 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child did not end by itself";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
