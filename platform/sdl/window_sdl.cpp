// The window layer on SDL2: one window with a GL surface, the display-mode
// change as a real full-screen mode switch, and SDL's events turned into the
// window messages the show's window procedure handles.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "platform/sdl/display_guard.h"
#include "platform/sdl/keymap_sdl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/window_system.h"

struct WsDeviceContext {
  WsWindow* window;
};
struct WsWindow {
  SDL_Window* sdl;
  WsDeviceContext dc;
};
struct WsGlContext {
  SDL_GLContext gl;
};
struct WsInstance {
  int unused;
};
struct WsIcon {
  int unused;
};
struct WsCursor {
  int unused;
};

namespace {
WsInstance theInstance{};
WsIcon theIcon{};
WsCursor theCursor{};

bool classRegistered = false;
std::string className;
WsWindowProc classProc = nullptr;

// The one window; the show never has two.
WsWindow* theWindow = nullptr;

// The mode a popup window switches the display to, once arranged.
bool modeArranged = false;
SDL_DisplayMode arrangedMode{};

// The SDL window whose full-screen mode is in force; the desktop's own mode
// must be put back before the process ends while this is set.
SDL_Window* switchedWindow = nullptr;

std::deque<WsMessage> posted;

// Depth buffers to try, deepest first: 32 bits where the driver has them,
// shallower where it has not.
constexpr int kDepthBitsToTry[] = {32, 24, 16};
constexpr int kColourChannelBits = 8;
// No alpha channel: the show clears to alpha 0, and on a compositing desktop
// a window with alpha in its visual would let the desktop show through.
constexpr int kAlphaBits = 0;

constexpr int kPrimaryDisplay = 0;

// The process that owns the window. A child forked while the window exists
// (SDL shows its message boxes from one) shares the window system
// connection, and must never use it to put the mode back.
pid_t ownerPid = 0;

void restoreDesktopMode() {
  if (!switchedWindow || getpid() != ownerPid) return;
  SDL_Window* window = switchedWindow;
  switchedWindow = nullptr;
  SDL_SetWindowFullscreen(window, 0);
  displayGuardModeChanged(false);
}

// The window system frees what the process held when its connection closes;
// only a changed display mode outlives the process and must be put back.
void restoreAtExit() {
  if (getpid() != ownerPid) return;
  restoreDesktopMode();
}

// An exit from anywhere (the show ends inside a frame) puts the mode back
// through SDL; a death that runs no code of ours (a crash, SIGKILL) leaves it
// to the display guard, which has a window-system connection of its own.
void installExitGuards() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  ownerPid = getpid();
  displayGuardStart();
  std::atexit(restoreAtExit);
}

// SDL's video starts with the first class registration and stays up for the
// process; SDL turns SIGINT and SIGTERM into a quit event, which reaches the
// show as a close request and so ends it in order. The display guard starts
// just before, while the show still has one thread and no connection.
bool videoReady() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  sdlDisplayPresent();
  installExitGuards();
  // A full-screen window stays when another window takes the focus (the
  // show's own dialogs do): the show only stops drawing when minimised.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "vantorel: no window system: %s\n", SDL_GetError());
    return false;
  }
  // SDL holds the screen saver off from start-up; the show wants that only
  // while its window exists.
  SDL_EnableScreenSaver();
  return true;
}

WsMessage makeMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return WsMessage{theWindow, message, wParam, lParam};
}

// The activation message carries whether the window is minimised now, in its
// high 16 bits, whatever the event that caused it.
WsMessage activation(bool minimised) {
  return makeMessage(kMsgActivate, minimised ? (1u << 16) : 1u, 0);
}

bool windowMinimised() {
  return theWindow && (SDL_GetWindowFlags(theWindow->sdl) & SDL_WINDOW_MINIMIZED) != 0;
}

// One SDL event as at most one message; false when it means nothing here.
bool translate(const SDL_Event& event, WsMessage* out) {
  switch (event.type) {
    case SDL_QUIT:
      if (!theWindow) return false;
      *out = makeMessage(kMsgClose, 0, 0);
      return true;
    case SDL_WINDOWEVENT:
      if (!theWindow || event.window.windowID != SDL_GetWindowID(theWindow->sdl)) return false;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          *out = makeMessage(kMsgClose, 0, 0);
          return true;
        case SDL_WINDOWEVENT_MINIMIZED:
        // A window taken off the screen (unmapped) shows nothing either.
        case SDL_WINDOWEVENT_HIDDEN:
          *out = activation(true);
          return true;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
          *out = activation(false);
          return true;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
          *out = activation(windowMinimised());
          return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
          const intptr_t width = event.window.data1 & 0xFFFF;
          const intptr_t height = event.window.data2 & 0xFFFF;
          *out = makeMessage(kMsgSize, 0, (height << 16) | width);
          return true;
        }
        default:
          return false;
      }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (!theWindow) return false;
      const int virtualKey = virtualKeyFromSdl(event.key.keysym.sym);
      if (virtualKey < 0) return false;
      const bool down = event.type == SDL_KEYDOWN;
      const bool system = isSystemKey(virtualKey, event.key.keysym.mod);
      const uint32_t message = system ? (down ? kMsgSysKeyDown : kMsgSysKeyUp)
                                      : (down ? kMsgKeyDown : kMsgKeyUp);
      *out = makeMessage(message, static_cast<uintptr_t>(virtualKey), 0);
      return true;
    }
    default:
      return false;
  }
}
}  // namespace

SDL_Window* sdlWindowOf(WsWindow* window) {
  return (window && window == theWindow) ? window->sdl : nullptr;
}

WsInstance* wsModuleHandle(const char*) { return &theInstance; }
WsIcon* wsLoadIcon(WsInstance*, int) { return &theIcon; }
WsCursor* wsLoadCursor(WsInstance*, int) { return &theCursor; }

uint16_t wsRegisterClass(const WsWindowClass* windowClass) {
  if (classRegistered || !windowClass || !windowClass->className) return 0;
  if (!videoReady()) return 0;
  classRegistered = true;
  className = windowClass->className;
  classProc = windowClass->windowProc;
  return 1;
}

int wsUnregisterClass(const char* name, WsInstance*) {
  if (!classRegistered || !name || className != name) return 0;
  classRegistered = false;
  classProc = nullptr;
  return 1;
}

int wsChangeDisplayMode(const WsDisplayMode* mode, uint32_t flags) {
  if (!mode) {
    modeArranged = false;
    restoreDesktopMode();
    return kDispChangeSuccessful;
  }
  if (!(flags & kCdsFullscreen) || !videoReady()) return kDispChangeFailed;
  // Only a mode of exactly the requested size will do: SDL's closest match
  // may be a larger one, which would not be the show's resolution.
  const int count = SDL_GetNumDisplayModes(kPrimaryDisplay);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode candidate{};
    if (SDL_GetDisplayMode(kPrimaryDisplay, i, &candidate) != 0) continue;
    const int bits = static_cast<int>(SDL_BITSPERPIXEL(candidate.format));
    // X11 reports true-colour modes as 24 bits per pixel; they are the
    // 32-bit modes a desktop system would name.
    const bool bitsMatch = !(mode->fields & kDmBitsPerPel) || mode->bitsPerPel < 24 ||
                           bits >= 24;
    if (candidate.w == static_cast<int>(mode->pelsWidth) &&
        candidate.h == static_cast<int>(mode->pelsHeight) && bitsMatch) {
      arrangedMode = candidate;
      modeArranged = true;
      return kDispChangeSuccessful;
    }
  }
  return kDispChangeBadMode;
}

int wsShowCursor(int show) {
  return SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE) == SDL_ENABLE ? 0 : -1;
}

// SDL sizes a window by its client area, so the outer size is the client size.
int wsAdjustWindowRect(WsRect* rect, uint32_t, int, uint32_t) { return rect ? 1 : 0; }

WsWindow* wsCreateWindow(uint32_t, const char* name, const char* title, uint32_t style, int x,
                         int y, int width, int height, WsWindow*, void*, WsInstance*, void*) {
  if (!classRegistered || !name || className != name || theWindow) return nullptr;
  // Without a display SDL falls back to a driver that draws where nobody
  // sees: a show nobody sees is no show.
  if (sdlInvisibleVideo()) {
    std::fprintf(stderr, "vantorel: cannot create the window: there is no display\n");
    return nullptr;
  }
  const bool switchMode = (style & kStylePopup) && modeArranged;
  uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (switchMode) flags |= SDL_WINDOW_FULLSCREEN;
  if (style & kStyleOverlappedWindow) flags |= SDL_WINDOW_RESIZABLE;

  SDL_Window* sdl = nullptr;
  for (const int depthBits : kDepthBitsToTry) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, kColourChannelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, kColourChannelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, kColourChannelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, kAlphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    sdl = SDL_CreateWindow(title ? title : "", x, y, width, height, flags);
    if (sdl) break;
  }
  if (!sdl) {
    std::fprintf(stderr, "vantorel: cannot create the window: %s\n", SDL_GetError());
    return nullptr;
  }
  if (switchMode) {
    SDL_SetWindowDisplayMode(sdl, &arrangedMode);
    switchedWindow = sdl;
    displayGuardModeChanged(true);
  }
  theWindow = new WsWindow{sdl, {}};
  theWindow->dc.window = theWindow;
  SDL_DisableScreenSaver();
  return theWindow;
}

int wsDestroyWindow(WsWindow* window) {
  if (!window || window != theWindow) return 0;
  if (switchedWindow == window->sdl) restoreDesktopMode();
  SDL_DestroyWindow(window->sdl);
  delete window;
  theWindow = nullptr;
  SDL_EnableScreenSaver();
  return 1;
}

WsDeviceContext* wsGetDeviceContext(WsWindow* window) {
  return (window && window == theWindow) ? &window->dc : nullptr;
}

int wsReleaseDeviceContext(WsWindow* window, WsDeviceContext* dc) {
  return (window && window == theWindow && dc == &window->dc) ? 1 : 0;
}

// The window's surface was fixed when it was created (X11 binds a window's
// visual at creation); a request that surface can serve gets its index, 1.
int wsChoosePixelFormat(WsDeviceContext* dc, const WsPixelFormat* request) {
  if (!dc || !theWindow || dc != &theWindow->dc || !request) return 0;
  if (request->pixelType != kPfdTypeRgba) return 0;
  if ((request->flags & (kPfdSupportOpenGl | kPfdDrawToWindow)) !=
      (kPfdSupportOpenGl | kPfdDrawToWindow))
    return 0;
  return 1;
}

int wsSetPixelFormat(WsDeviceContext* dc, int index, const WsPixelFormat*) {
  return (dc && theWindow && dc == &theWindow->dc && index == 1) ? 1 : 0;
}

WsGlContext* wsCreateContext(WsDeviceContext* dc) {
  if (!dc || !theWindow || dc != &theWindow->dc) return nullptr;
  SDL_GLContext gl = SDL_GL_CreateContext(theWindow->sdl);
  if (!gl) {
    std::fprintf(stderr, "vantorel: cannot create a GL context: %s\n", SDL_GetError());
    return nullptr;
  }
  return new WsGlContext{gl};
}

int wsMakeCurrent(WsDeviceContext* dc, WsGlContext* context) {
  if (!dc && !context) {
    SDL_Window* current = SDL_GL_GetCurrentWindow();
    return (!current || SDL_GL_MakeCurrent(current, nullptr) == 0) ? 1 : 0;
  }
  if (!dc || !context || !theWindow || dc != &theWindow->dc) return 0;
  return SDL_GL_MakeCurrent(theWindow->sdl, context->gl) == 0 ? 1 : 0;
}

int wsDeleteContext(WsGlContext* context) {
  if (!context) return 0;
  SDL_GL_DeleteContext(context->gl);
  delete context;
  return 1;
}

WsSwapIntervalProc wsSwapIntervalProc() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
  return [](int interval) { return SDL_GL_SetSwapInterval(interval) == 0 ? 1 : 0; };
}

int wsShowWindow(WsWindow* window, int) {
  if (!window || window != theWindow) return 0;
  SDL_ShowWindow(window->sdl);
  return 1;
}

int wsSetForeground(WsWindow* window) {
  if (!window || window != theWindow) return 0;
  SDL_RaiseWindow(window->sdl);
  return 1;
}

WsWindow* wsSetFocus(WsWindow* window) {
  if (!window || window != theWindow) return nullptr;
  if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) SDL_SetWindowInputFocus(window->sdl);
  return nullptr;
}

int wsPeekMessage(WsMessage* message, WsWindow*, uint32_t, uint32_t, uint32_t remove) {
  if (!posted.empty()) {
    *message = posted.front();
    if (remove & kPeekRemove) posted.pop_front();
    return 1;
  }
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return 0;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (translate(event, message)) return 1;
  }
  return 0;
}

int wsTranslateMessage(const WsMessage*) { return 0; }

intptr_t wsDispatchMessage(const WsMessage* message) {
  if (!message || message->message == kMsgQuit || !classProc) return 0;
  return classProc(message->window, message->message, message->wParam, message->lParam);
}

intptr_t wsDefaultProc(WsWindow*, uint32_t, uintptr_t, intptr_t) { return 0; }

void wsPostQuit(int exitCode) {
  posted.push_back(WsMessage{nullptr, kMsgQuit, static_cast<uintptr_t>(exitCode), 0});
}

int wsSwapBuffers(WsDeviceContext* dc) {
  if (!dc || !theWindow || dc != &theWindow->dc) return 0;
  SDL_GL_SwapWindow(theWindow->sdl);
  return 1;
}
