#include "tools/capture/progress.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "platform/sys.h"

namespace {
// Redraws of the line are this far apart at least, in ms of wall time.
constexpr int64_t kRedrawMs = 250;

bool onTerminal = false;
bool quiet = false;
int64_t totalFrames = 0;
int64_t startedMs = 0;
int64_t lastDrawnMs = 0;
int64_t framesAtStart = 0;
bool rateStarted = false;
// Set by the main thread's updates; an error reported from the writer thread
// ends the line as well.
std::atomic<bool> drawn{false};
}  // namespace

void progressFormat(char* line, int size, int64_t done, int64_t total, double framesPerSecond,
                    bool skipping) {
  const size_t room = static_cast<size_t>(size);
  if (skipping) {
    std::snprintf(line, room, "running the frames before the start: %lld",
                  static_cast<long long>(done));
    return;
  }
  if (total <= 0 || framesPerSecond <= 0.0) {
    std::snprintf(line, room, "frame %lld, %.1f fps", static_cast<long long>(done),
                  framesPerSecond);
    return;
  }
  const int64_t left = total > done ? total - done : 0;
  const int64_t seconds = static_cast<int64_t>(static_cast<double>(left) / framesPerSecond + 0.5);
  std::snprintf(line, room, "frame %lld of %lld, %.1f fps, %lld:%02lld left",
                static_cast<long long>(done), static_cast<long long>(total), framesPerSecond,
                static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
}

void progressStart(int64_t total) {
  onTerminal = !quiet && isatty(STDERR_FILENO) == 1;
  totalFrames = total;
  lastDrawnMs = sysMonotonicMs();
  rateStarted = false;
  drawn = false;
}

void progressUpdate(int64_t done, bool skipping) {
  if (!onTerminal) return;
  const int64_t now = sysMonotonicMs();
  // The rate counts drawn frames only, from the first one on.
  if (!skipping && !rateStarted) {
    rateStarted = true;
    startedMs = now;
    framesAtStart = done;
  }
  if (now - lastDrawnMs < kRedrawMs) return;
  lastDrawnMs = now;
  const double seconds = static_cast<double>(now - startedMs) / 1000.0;
  const double rate =
      !skipping && seconds > 0.0 ? static_cast<double>(done - framesAtStart) / seconds : 0.0;
  char line[128];
  progressFormat(line, sizeof line, done, totalFrames, rate, skipping);
  std::fprintf(stderr, "\r%-60s", line);
  std::fflush(stderr);
  drawn = true;
}

void progressQuiet() { quiet = true; }

void progressEnd() {
  if (drawn.exchange(false)) std::fputc('\n', stderr);
}
