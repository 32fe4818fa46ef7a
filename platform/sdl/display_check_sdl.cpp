// Whether there is a display at all, asked before the first dialog or window,
// so that a show started without one says so first, in words that point at
// the cause, rather than through the failures that follow from it.
#include <X11/Xlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/sdl/window_sdl_internal.h"

namespace {
// The connection the check opens stays open for the process's life, unused.
// The show connects to the X server several times in a row (this check, each
// dialog, the window, a window made anew by F1), and a server that resets
// when its last client leaves (a kiosk started by xinit, an Xvfb without
// -noreset) would refuse a connection made during its reset; with this one
// open it never sees its last client leave while the show runs.
Display* keptOpen = nullptr;

bool xDisplayOpens() {
  if (!keptOpen) keptOpen = XOpenDisplay(nullptr);
  return keptOpen != nullptr;
}

// A Wayland compositor's socket: WAYLAND_DISPLAY, under XDG_RUNTIME_DIR unless
// it is a path of its own.
bool waylandSocketExists(const char* name) {
  std::string path = name;
  if (path[0] != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime) return false;
    path = std::string(runtime) + "/" + path;
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Looks once; says what it found missing, once.
bool lookForDisplay() {
  // A video driver chosen by hand (the Linux console's, say) is the user's
  // word that there is something to show on.
  if (std::getenv("SDL_VIDEODRIVER")) return true;
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x && *x && xDisplayOpens()) || (wayland && *wayland && waylandSocketExists(wayland)))
    return true;
  std::string why;
  if (x && *x) why += std::string("DISPLAY=") + x + " cannot be opened";
  if (wayland && *wayland)
    why += std::string(why.empty() ? "" : " and ") + "WAYLAND_DISPLAY=" + wayland +
           " names no socket";
  if (why.empty()) why = "DISPLAY and WAYLAND_DISPLAY are unset";
  std::fprintf(stderr,
               "vantorel: no display (%s); vantorel-capture renders the show to a video without "
               "one\n",
               why.c_str());
  return false;
}
}  // namespace

bool sdlDisplayPresent() {
  static const bool present = lookForDisplay();
  return present;
}

bool sdlInvisibleVideo() {
  if (std::getenv("SDL_VIDEODRIVER")) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::string(driver) == "offscreen" || std::string(driver) == "dummy");
}
