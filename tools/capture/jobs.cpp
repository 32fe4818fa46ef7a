#include "tools/capture/jobs.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/show.h"
#include "music/clock.h"
#include "platform/audio_offline.h"
#include "platform/sys.h"
#include "timeline/moments.h"
#include "tools/capture/progress.h"

namespace {
constexpr int64_t kMsPerSecond = 1000;
// How often the parent looks at its processes and redraws the progress line.
constexpr uint32_t kPollMs = 50;

struct Job {
  pid_t pid = -1;
  int status = -1;  // exit status once it has ended
  FrameSpan span{};
  char piece[PATH_MAX] = {};  // a video's piece; empty for PNG frames
};
Job jobs[kMaxCaptureJobs];
int jobCount = 0;

// Frames drawn so far by each process, in memory shared with them.
int64_t* drawnCounts = nullptr;

// A hidden file beside the output for piece `index`, made now so that its
// name is taken.
bool reservePiece(const char* output, int index, char* path) {
  const char* slash = std::strrchr(output, '/');
  const int folderLength = slash ? static_cast<int>(slash - output) + 1 : 0;
  const char* name = slash ? slash + 1 : output;
  const int n = std::snprintf(path, PATH_MAX, "%.*s.%s.piece%d-XXXXXX", folderLength, output,
                              name, index);
  if (n < 0 || n >= PATH_MAX) return false;
  const int fd = mkstemp(path);
  if (fd < 0) return false;
  close(fd);
  return true;
}

void removePieces() {
  for (int i = 0; i < jobCount; ++i) {
    if (jobs[i].piece[0]) unlink(jobs[i].piece);
    jobs[i].piece[0] = '\0';
  }
}

// The life of one process: its own GL context, its stretch of the frames.
[[noreturn]] void runJob(const CaptureOptions& options, int index) {
  CaptureOptions own = options;
  own.jobs = 1;
  const CaptureOutput* output = &framesOutput;
  if (options.outputKind == CaptureOutputKind::Video) {
    std::snprintf(own.output, sizeof own.output, "%s", jobs[index].piece);
    own.pictureOnly = true;
    output = &videoOutput;
  }
  progressQuiet();
  captureDrawnCount(&drawnCounts[index]);
  int status = kCaptureFailed;
  if (captureStartShow(own.width, own.height))
    status = captureRun(own, *output, &jobs[index].span, 1);
  std::fflush(nullptr);
  _exit(status);
}

bool anyRunning() {
  for (int i = 0; i < jobCount; ++i) {
    if (jobs[i].status < 0) return true;
  }
  return false;
}

// Waits for every process; when one fails or the capture is interrupted, the
// others are stopped (they remove what they had made). Returns the status of
// the whole: 0, the first failure's, or the interrupt's.
int waitForJobs(int64_t total) {
  progressStart(total);
  int result = kCaptureOk;
  bool stopping = false;
  while (anyRunning()) {
    for (int i = 0; i < jobCount; ++i) {
      if (jobs[i].status >= 0) {
        if (jobs[i].status != kCaptureOk && result == kCaptureOk) result = jobs[i].status;
        continue;
      }
      int raw = 0;
      const pid_t got = waitpid(jobs[i].pid, &raw, WNOHANG);
      if (got != jobs[i].pid) continue;
      jobs[i].status = WIFEXITED(raw) ? WEXITSTATUS(raw) : kCaptureFailed;
      if (jobs[i].status != kCaptureOk && result == kCaptureOk) result = jobs[i].status;
    }
    if (!stopping && (result != kCaptureOk || captureInterrupted() != 0)) {
      stopping = true;
      for (int i = 0; i < jobCount; ++i) {
        if (jobs[i].status < 0) kill(jobs[i].pid, SIGTERM);
      }
    }
    int64_t drawn = 0;
    for (int i = 0; i < jobCount; ++i) drawn += drawnCounts[i];
    progressUpdate(drawn, false);
    if (anyRunning()) sysSleep(kPollMs);
  }
  progressEnd();
  return captureInterrupted() != 0 ? captureInterrupted() : result;
}
}  // namespace

int splitFrames(int64_t first, int64_t end, int jobCountWanted, int64_t alignFrames,
                FrameSpan* spans) {
  if (end <= first || jobCountWanted < 1) return 0;
  if (alignFrames < 1) alignFrames = 1;
  const int64_t units = (end - first + alignFrames - 1) / alignFrames;
  const int count = units < jobCountWanted ? static_cast<int>(units) : jobCountWanted;
  int64_t start = first;
  for (int i = 0; i < count; ++i) {
    // Stretch i ends after (i + 1) / count of the units, rounded down.
    const int64_t unitsBefore = units * (i + 1) / count;
    int64_t stop = first + unitsBefore * alignFrames;
    if (stop > end || i == count - 1) stop = end;
    spans[i] = {start, stop};
    start = stop;
  }
  return count;
}

int captureJobs(const CaptureOptions& options) {
  startMusic();
  if (musicSilent || !musicStream) {
    captureError("cannot read the music %s", kMusicFile);
    return kCaptureFailed;
  }
  const AudioStream music = musicStream;
  const int fps = options.framesPerSecond;
  const int64_t musicMs =
      static_cast<int64_t>(audioOfflineFrames(music)) * kMsPerSecond / audioOfflineRate(music);
  const int64_t endMs = musicMs < showEndsAtMs() ? musicMs : showEndsAtMs();
  const FrameSpan whole = captureSpanOf(options);
  const int64_t showEnd = captureFrameAt(endMs, fps);
  const int64_t end = whole.end < showEnd ? whole.end : showEnd;
  const bool video = options.outputKind == CaptureOutputKind::Video;
  FrameSpan spans[kMaxCaptureJobs];
  jobCount = splitFrames(whole.first, end, options.jobs,
                         video ? captureKeyFrameInterval(fps) : 1, spans);
  if (jobCount == 0) {
    captureError("nothing to capture: the show ends before the start");
    return kCaptureFailed;
  }
  if (!video && !framesOutput.open(options, music, whole.first)) return kCaptureFailed;

  void* shared = mmap(nullptr, sizeof(int64_t) * kMaxCaptureJobs, PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) {
    captureError("cannot share memory with the processes: %s", std::strerror(errno));
    return kCaptureFailed;
  }
  drawnCounts = static_cast<int64_t*>(shared);
  // Every piece's name is taken before any process starts.
  for (int i = 0; i < jobCount; ++i) {
    jobs[i] = Job{};
    jobs[i].span = spans[i];
    drawnCounts[i] = 0;
    if (video && !reservePiece(options.output, i, jobs[i].piece)) {
      captureError("cannot write beside %s: %s", options.output, std::strerror(errno));
      removePieces();
      munmap(shared, sizeof(int64_t) * kMaxCaptureJobs);
      return kCaptureFailed;
    }
  }
  int status = kCaptureOk;
  for (int i = 0; i < jobCount; ++i) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) runJob(options, i);
    if (pid < 0) {
      captureError("cannot start a process: %s", std::strerror(errno));
      status = kCaptureFailed;
    }
    jobs[i].pid = pid;
    if (pid < 0) jobs[i].status = kCaptureFailed;
  }
  const int waited = waitForJobs(end - whole.first);
  if (status == kCaptureOk) status = waited;
  munmap(shared, sizeof(int64_t) * kMaxCaptureJobs);
  drawnCounts = nullptr;

  if (status == kCaptureOk && video) {
    const char* pieces[kMaxCaptureJobs];
    for (int i = 0; i < jobCount; ++i) pieces[i] = jobs[i].piece;
    if (!joinVideo(options, music, whole.first, pieces, jobCount, end - whole.first))
      status = captureInterrupted() != 0 ? captureInterrupted() : kCaptureFailed;
  }
  removePieces();
  if (status != kCaptureOk && captureInterrupted() != 0 && status == captureInterrupted())
    captureError("interrupted; the unfinished output was removed");
  return status;
}
