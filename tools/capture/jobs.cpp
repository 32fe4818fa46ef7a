#include "tools/capture/jobs.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/show.h"
#include "music/clock.h"
#include "platform/headless/audio_offline.h"
#include "platform/sys.h"
#include "timeline/moments.h"
#include "tools/capture/progress.h"

namespace {
constexpr int64_t kMsPerSecond = 1000;
// How often the parent looks at its processes and redraws the progress line.
constexpr uint32_t kPollMs = 50;
// Every stretch of a video costs a start of ffmpeg and a wait for its last
// frames: stretches of 4 s of show or more keep that under 1 % of the work.
// A stretch of PNG frames costs next to nothing.
constexpr int kMinVideoStretchSeconds = 4;
// Each stretch is this share of what is left for each process: the
// processes' last stretches, and so their ends, lie close together.
constexpr int kStretchesPerShare = 2;

struct Job {
  pid_t pid = -1;
  int status = -1;  // exit status once it has ended
};
Job jobs[kMaxCaptureJobs];
int jobCount = 0;

FrameSpan stretches[kMaxCaptureStretches];
char pieces[kMaxCaptureStretches][PATH_MAX];  // a video's pieces; empty for PNG frames
int stretchCount = 0;

// Memory shared by the parent and its processes.
struct Shared {
  int64_t drawn[kMaxCaptureJobs];  // frames drawn so far by each process
  std::atomic<int> nextStretch;    // the first stretch nobody has taken
};
static_assert(std::atomic<int>::is_always_lock_free, "the counter works across processes");
Shared* shared = nullptr;

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
  for (int i = 0; i < stretchCount; ++i) {
    if (pieces[i][0]) unlink(pieces[i]);
    pieces[i][0] = '\0';
  }
}

// The life of one process: its own GL context, then stretch after stretch
// while there are any left. Stretches are taken in order, so each lies
// ahead of where this process's show stands.
[[noreturn]] void runJob(const CaptureOptions& options, int index) {
  CaptureOptions own = options;
  own.jobs = 1;
  const bool video = options.outputKind == CaptureOutputKind::Video;
  const CaptureOutput& output = video ? videoOutput : framesOutput;
  own.pictureOnly = video;
  progressQuiet();
  captureDrawnCount(&shared->drawn[index]);
  int status = captureStartShow(own.width, own.height) ? kCaptureOk : kCaptureFailed;
  while (status == kCaptureOk) {
    const int stretch = shared->nextStretch.fetch_add(1);
    if (stretch >= stretchCount) break;
    if (video) std::snprintf(own.output, sizeof own.output, "%s", pieces[stretch]);
    status = captureRun(own, output, &stretches[stretch], 1);
  }
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
    for (int i = 0; i < jobCount; ++i) drawn += shared->drawn[i];
    progressUpdate(drawn, false);
    if (anyRunning()) sysSleep(kPollMs);
  }
  progressEnd();
  return captureInterrupted() != 0 ? captureInterrupted() : result;
}
}  // namespace

int planStretches(int64_t first, int64_t end, int jobs, int64_t alignFrames, int64_t minFrames,
                  FrameSpan* spans, int maxStretches) {
  if (end <= first || jobs < 1 || maxStretches < 1) return 0;
  if (alignFrames < 1) alignFrames = 1;
  int count = 0;
  for (int64_t start = first; start < end; ++count) {
    const int64_t share = static_cast<int64_t>(jobs) * kStretchesPerShare;
    int64_t length = (end - start + share - 1) / share;
    if (length < minFrames) length = minFrames;
    length = (length + alignFrames - 1) / alignFrames * alignFrames;
    const int64_t stop = count == maxStretches - 1 || end - start <= length ? end : start + length;
    spans[count] = {start, stop};
    start = stop;
  }
  return count;
}

int captureJobs(const CaptureOptions& options) {
  startMusic();
  if (musicSource.musicSilent || !musicSource.musicStream) {
    captureError("cannot read the music %s", kMusicFile);
    return kCaptureFailed;
  }
  const AudioStream music = musicSource.musicStream;
  const int fps = options.framesPerSecond;
  const int64_t musicMs =
      static_cast<int64_t>(audioOfflineFrames(music)) * kMsPerSecond / audioOfflineRate(music);
  const int64_t endMs = musicMs < showEndsAtMs() ? musicMs : showEndsAtMs();
  const FrameSpan whole = captureSpanOf(options);
  const int64_t showEnd = captureFrameAt(endMs, fps);
  const int64_t end = whole.end < showEnd ? whole.end : showEnd;
  const bool video = options.outputKind == CaptureOutputKind::Video;
  const int64_t keyFrames = captureKeyFrameInterval(fps);
  const int64_t leastFrames = video ? static_cast<int64_t>(kMinVideoStretchSeconds) * fps : 1;
  stretchCount = planStretches(whole.first, end, options.jobs, video ? keyFrames : 1, leastFrames,
                               stretches, kMaxCaptureStretches);
  if (stretchCount == 0) {
    captureError("nothing to capture: the show ends before the start");
    return kCaptureFailed;
  }
  jobCount = options.jobs < stretchCount ? options.jobs : stretchCount;
  if (!video && !framesOutput.open(options, music, whole.first)) return kCaptureFailed;

  void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                      -1, 0);
  if (memory == MAP_FAILED) {
    captureError("cannot share memory with the processes: %s", std::strerror(errno));
    return kCaptureFailed;
  }
  shared = new (memory) Shared{};
  // Every piece's name is taken before any process starts.
  for (int i = 0; i < stretchCount; ++i) {
    pieces[i][0] = '\0';
    if (video && !reservePiece(options.output, i, pieces[i])) {
      captureError("cannot write beside %s: %s", options.output, std::strerror(errno));
      removePieces();
      munmap(memory, sizeof(Shared));
      return kCaptureFailed;
    }
  }
  int status = kCaptureOk;
  for (int i = 0; i < jobCount; ++i) {
    jobs[i] = Job{};
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
  munmap(memory, sizeof(Shared));
  shared = nullptr;

  if (status == kCaptureOk && video) {
    const char* pieceList[kMaxCaptureStretches];
    for (int i = 0; i < stretchCount; ++i) pieceList[i] = pieces[i];
    if (!joinVideo(options, music, whole.first, pieceList, stretchCount, end - whole.first))
      status = captureInterrupted() != 0 ? captureInterrupted() : kCaptureFailed;
  }
  removePieces();
  if (status != kCaptureOk && captureInterrupted() != 0 && status == captureInterrupted())
    captureError("interrupted; the unfinished output was removed");
  return status;
}
