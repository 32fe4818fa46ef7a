// vantorel-capture: renders the show without a display into a video or a
// folder of pictures, frame by frame on the music clock. See --help.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/show_folder.h"
#include "platform/sys.h"
#include "timeline/moments_file.h"
#include "tools/capture/benchmark.h"
#include "tools/capture/capture.h"
#include "tools/capture/jobs.h"

namespace {
// Shells report a process ended by signal s as 128 + s; an interrupted
// capture says the same.
constexpr int kSignalStatusBase = 128;

void onSignal(int signal) { captureInterrupt(kSignalStatusBase + signal); }

// A relative path as seen from the folder the tool was started in, made
// absolute before the tool moves into the show's folder.
bool makeAbsolute(char* path, const char* from) {
  if (path[0] == '/') return true;
  char joined[PATH_MAX];
  const int n = std::snprintf(joined, sizeof joined, "%s/%s", from, path);
  if (n < 0 || n >= PATH_MAX) return false;
  std::memcpy(path, joined, static_cast<size_t>(n) + 1);
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  sysTuneAllocator();
  CaptureOptions options;
  char why[256];
  switch (parseCaptureOptions(argc, argv, &options, why, sizeof why)) {
    case CaptureParse::Help:
      std::fputs(kCaptureUsage, stdout);
      return kCaptureOk;
    case CaptureParse::Bad:
      captureError("%s", why);
      return kCaptureBadOptions;
    case CaptureParse::Run:
      break;
  }

  // Read before the tool moves into the show's folder: a relative path is
  // the caller's.
  if (options.moments[0]) {
    MomentTable table;
    MomentsFileError error;
    if (!readMomentsFile(options.moments, &table, &error)) {
      if (error.line > 0)
        captureError("%s:%d:%d: %s", options.moments, error.line, error.column, error.reason);
      else
        captureError("%s: %s", options.moments, error.reason);
      return kCaptureBadOptions;
    }
    playMoments(table);
  }

  char startedIn[PATH_MAX];
  if (!getcwd(startedIn, sizeof startedIn) || !makeAbsolute(options.output, startedIn)) {
    captureError("cannot tell where the output goes: %s", std::strerror(errno));
    return kCaptureFailed;
  }
  char own[PATH_MAX];
  if (!options.folder[0] && (!executableFolder(own, sizeof own) ||
                             !captureShowFolder(own, options.folder, sizeof options.folder))) {
    captureError("cannot find the folder of vantorel-capture; give --folder");
    return kCaptureBadOptions;
  }
  // The show reads its pictures and music from the working directory.
  if (chdir(options.folder) != 0) {
    captureError("cannot open the show's folder %s: %s", options.folder, std::strerror(errno));
    return kCaptureFailed;
  }

  // A write to an ffmpeg that has gone fails instead of ending the process.
  // From here on there may be output to clean up: Ctrl-C and kill interrupt
  // even a write that waits on a stuck ffmpeg (no restart), and the capture
  // stops and removes what it had made. The processes of --jobs keep these.
  std::signal(SIGPIPE, SIG_IGN);
  struct sigaction interrupt {};
  interrupt.sa_handler = onSignal;
  sigemptyset(&interrupt.sa_mask);
  sigaction(SIGINT, &interrupt, nullptr);
  sigaction(SIGTERM, &interrupt, nullptr);
  if (options.jobs > 1) return captureJobs(options);

  if (!captureStartShow(options.width, options.height)) return kCaptureFailed;
  if (options.benchmark) return captureBenchmark(options, stdout);
  const FrameSpan span = captureSpanOf(options);
  return captureRun(options, captureOutputFor(options.outputKind), &span, 1);
}
