#include "platform/sdl/display_guard.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace {
// The write end of the pipe to the guard; -1 without a guard.
int guardPipe = -1;

constexpr char kModeChanged = 'c';
constexpr char kModeRestored = 'r';
// How often the guard looks whether the show is still there: a child the
// show forked (a dialog) may hold the pipe open after the show has died.
constexpr int kWatchIntervalMs = 200;
constexpr int kMaxCrtcs = 16;
constexpr int kMaxOutputs = 16;

// One CRTC of the desktop as the guard found it.
struct SavedCrtc {
  RRCrtc crtc;
  RRMode mode;
  int x, y;
  Rotation rotation;
  int outputCount;
  RROutput outputs[kMaxOutputs];
};

struct SavedDesktop {
  int width, height, widthMm, heightMm;
  int crtcCount;
  SavedCrtc crtcs[kMaxCrtcs];
};

bool saveDesktop(Display* display, Window root, SavedDesktop* saved) {
  const int screen = DefaultScreen(display);
  saved->width = DisplayWidth(display, screen);
  saved->height = DisplayHeight(display, screen);
  saved->widthMm = DisplayWidthMM(display, screen);
  saved->heightMm = DisplayHeightMM(display, screen);
  XRRScreenResources* resources = XRRGetScreenResources(display, root);
  if (!resources) return false;
  saved->crtcCount = 0;
  for (int i = 0; i < resources->ncrtc && saved->crtcCount < kMaxCrtcs; ++i) {
    XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (!info) continue;
    SavedCrtc& c = saved->crtcs[saved->crtcCount++];
    c.crtc = resources->crtcs[i];
    c.mode = info->mode;
    c.x = info->x;
    c.y = info->y;
    c.rotation = info->rotation;
    c.outputCount = info->noutput < kMaxOutputs ? info->noutput : kMaxOutputs;
    for (int o = 0; o < c.outputCount; ++o) c.outputs[o] = info->outputs[o];
    XRRFreeCrtcInfo(info);
  }
  XRRFreeScreenResources(resources);
  return true;
}

// Switches every CRTC off, sets the screen size back, then gives each CRTC
// its old mode: the order in which the server accepts a size change.
void restoreDesktop(Display* display, Window root, const SavedDesktop& saved) {
  XRRScreenResources* resources = XRRGetScreenResources(display, root);
  if (!resources) return;
  XGrabServer(display);
  for (int i = 0; i < saved.crtcCount; ++i)
    XRRSetCrtcConfig(display, resources, saved.crtcs[i].crtc, CurrentTime, 0, 0, None, RR_Rotate_0,
                     nullptr, 0);
  XRRSetScreenSize(display, root, saved.width, saved.height, saved.widthMm, saved.heightMm);
  for (int i = 0; i < saved.crtcCount; ++i) {
    const SavedCrtc& c = saved.crtcs[i];
    XRRSetCrtcConfig(display, resources, c.crtc, CurrentTime, c.x, c.y, c.mode, c.rotation,
                     const_cast<RROutput*>(c.outputs), c.outputCount);
  }
  XUngrabServer(display);
  XSync(display, False);
  XRRFreeScreenResources(resources);
}

[[noreturn]] void runGuard(int pipeIn, pid_t show) {
  // The guard must outlive neither a Ctrl-C to the terminal nor the show.
  std::signal(SIGINT, SIG_IGN);
  std::signal(SIGTERM, SIG_IGN);
  Display* display = XOpenDisplay(nullptr);
  static SavedDesktop saved;
  int eventBase = 0, errorBase = 0;
  const bool usable = display && XRRQueryExtension(display, &eventBase, &errorBase) &&
                      saveDesktop(display, DefaultRootWindow(display), &saved);
  bool changed = false;
  while (getppid() == show) {
    pollfd watch{pipeIn, POLLIN, 0};
    if (poll(&watch, 1, kWatchIntervalMs) <= 0) continue;
    char message = 0;
    const ssize_t n = read(pipeIn, &message, 1);
    if (n == 1) {
      changed = message == kModeChanged;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // the show has ended, one way or another
  }
  if (usable && changed) restoreDesktop(display, DefaultRootWindow(display), saved);
  _exit(0);
}
}  // namespace

int displayGuardStart() {
  if (guardPipe >= 0) return 1;
  if (!std::getenv("DISPLAY")) return 0;
  int fds[2];
  if (pipe(fds) != 0) return 0;
  const pid_t show = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return 0;
  }
  if (pid == 0) {
    close(fds[1]);
    runGuard(fds[0], show);
  }
  close(fds[0]);
  guardPipe = fds[1];
  // Programs the show starts must not hold the pipe open.
  fcntl(guardPipe, F_SETFD, FD_CLOEXEC);
  return 1;
}

void displayGuardModeChanged(bool changed) {
  if (guardPipe < 0) return;
  const char message = changed ? kModeChanged : kModeRestored;
  ssize_t n;
  do n = write(guardPipe, &message, 1);
  while (n < 0 && errno == EINTR);
}
