// The window layer without a display: the "window" is an offscreen EGL
// pbuffer of the requested size, messages come only from wsPostQuit and
// headlessQueueMessage, and a display-mode change succeeds only for the mode
// a caller offered.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/headless/egl_context.h"
#include "platform/headless/window_headless.h"
#include "platform/window_system.h"

struct WsWindow {
  int width;
  int height;
  bool fullscreen;
};
struct WsDeviceContext {
  WsWindow* window;
};
struct WsGlContext {
  int unused;
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
WsWindow theWindow{};
WsDeviceContext theDeviceContext{};
WsGlContext theContext{};
bool windowExists = false;
bool contextExists = false;
bool classRegistered = false;
std::string className;
WsWindowProc classProc = nullptr;
bool modeArranged = false;
bool modeInForce = false;
int offeredWidth = 0;
int offeredHeight = 0;
std::deque<WsMessage> posted;
std::deque<WsMessage> queued;
}  // namespace

void headlessQueueMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  queued.push_back({windowExists ? &theWindow : nullptr, message, wParam, lParam});
}

void headlessOfferDisplayMode(int width, int height) {
  offeredWidth = width;
  offeredHeight = height;
}

void headlessWindowSize(int* width, int* height) {
  *width = windowExists ? theWindow.width : 0;
  *height = windowExists ? theWindow.height : 0;
}

bool headlessDisplayChanged() { return modeInForce; }

WsInstance* wsModuleHandle(const char*) { return &theInstance; }
WsIcon* wsLoadIcon(WsInstance*, int) { return &theIcon; }
WsCursor* wsLoadCursor(WsInstance*, int) { return &theCursor; }

uint16_t wsRegisterClass(const WsWindowClass* windowClass) {
  if (classRegistered || !windowClass || !windowClass->className) return 0;
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
    modeInForce = false;
    if (windowExists) theWindow.fullscreen = false;
    return kDispChangeSuccessful;
  }
  if (!(flags & kCdsFullscreen)) return kDispChangeFailed;
  if (static_cast<int>(mode->pelsWidth) != offeredWidth ||
      static_cast<int>(mode->pelsHeight) != offeredHeight || offeredWidth == 0)
    return kDispChangeBadMode;
  modeArranged = true;
  return kDispChangeSuccessful;
}

int wsShowCursor(int show) { return show ? 0 : -1; }

int wsAdjustWindowRect(WsRect* rect, uint32_t, int, uint32_t) { return rect ? 1 : 0; }

WsWindow* wsCreateWindow(uint32_t, const char* name, const char*, uint32_t style, int, int,
                         int width, int height, WsWindow*, void*, WsInstance*, void*) {
  if (!classRegistered || !name || className != name || windowExists) return nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  theWindow = WsWindow{width, height, (style & kStylePopup) && modeArranged};
  if (theWindow.fullscreen) modeInForce = true;
  windowExists = true;
  return &theWindow;
}

int wsDestroyWindow(WsWindow* window) {
  if (window != &theWindow || !windowExists) return 0;
  windowExists = false;
  modeInForce = false;
  queued.clear();
  return 1;
}

WsDeviceContext* wsGetDeviceContext(WsWindow* window) {
  if (window != &theWindow || !windowExists) return nullptr;
  theDeviceContext.window = window;
  return &theDeviceContext;
}

int wsReleaseDeviceContext(WsWindow* window, WsDeviceContext* dc) {
  return (window == &theWindow && dc == &theDeviceContext) ? 1 : 0;
}

int wsChoosePixelFormat(WsDeviceContext* dc, const WsPixelFormat* request) {
  if (dc != &theDeviceContext || !request) return 0;
  if (request->pixelType != kPfdTypeRgba || !(request->flags & kPfdSupportOpenGl)) return 0;
  return 1;
}

int wsSetPixelFormat(WsDeviceContext* dc, int index, const WsPixelFormat*) {
  return (dc == &theDeviceContext && index == 1) ? 1 : 0;
}

WsGlContext* wsCreateContext(WsDeviceContext* dc) {
  if (dc != &theDeviceContext || contextExists) return nullptr;
  if (!eglContextCreate(dc->window->width, dc->window->height)) return nullptr;
  eglContextMakeCurrent(false);
  contextExists = true;
  return &theContext;
}

int wsMakeCurrent(WsDeviceContext* dc, WsGlContext* context) {
  if (!dc && !context) return eglContextMakeCurrent(false) ? 1 : 0;
  if (dc != &theDeviceContext || context != &theContext || !contextExists) return 0;
  return eglContextMakeCurrent(true) ? 1 : 0;
}

int wsDeleteContext(WsGlContext* context) {
  if (context != &theContext || !contextExists) return 0;
  eglContextDestroy();
  contextExists = false;
  return 1;
}

WsSwapIntervalProc wsSwapIntervalProc() { return nullptr; }

int wsShowWindow(WsWindow*, int) { return 0; }
int wsSetForeground(WsWindow* window) { return window == &theWindow ? 1 : 0; }
WsWindow* wsSetFocus(WsWindow*) { return nullptr; }

int wsPeekMessage(WsMessage* message, WsWindow*, uint32_t, uint32_t, uint32_t remove) {
  std::deque<WsMessage>* queue = !posted.empty() ? &posted : !queued.empty() ? &queued : nullptr;
  if (!queue) return 0;
  *message = queue->front();
  if (remove & kPeekRemove) queue->pop_front();
  return 1;
}

int wsTranslateMessage(const WsMessage*) { return 0; }

intptr_t wsDispatchMessage(const WsMessage* message) {
  if (!message || message->message == kMsgQuit || !classProc) return 0;
  return classProc(message->window, message->message, message->wParam, message->lParam);
}

intptr_t wsDefaultProc(WsWindow*, uint32_t, uintptr_t, intptr_t) { return 0; }

void wsPostQuit(int exitCode) {
  posted.push_back({nullptr, kMsgQuit, static_cast<uintptr_t>(exitCode), 0});
}

int wsSwapBuffers(WsDeviceContext* dc) {
  if (dc != &theDeviceContext || !contextExists) return 0;
  eglContextSwap();
  return 1;
}
