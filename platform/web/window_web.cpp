// The window layer in a browser: the page's canvas is the window, a WebGL 2
// context on it the GL context, the page's full-screen mode the display mode,
// and the page's key and size events the message queue.
//
// The page's script (web/page.js) calls webKey and webResize; each call
// queues one message, delivered by wsPeekMessage to the window procedure.
// Presenting a frame is the browser's own work at the end of the animation
// frame: wsSwapBuffers only draws what the GL back-end still holds.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/keys.h"
#include "platform/web/gfx_webgl.h"
#include "platform/web/window_web.h"
#include "platform/window_system.h"

struct WsWindow {
  int exists;
};
struct WsDeviceContext {
  int exists;
};
struct WsGlContext {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle;
};
struct WsInstance {
  int unused;
};

namespace {
// Messages waiting; the page sends a few per animation frame at most.
constexpr int kQueueSize = 256;
// Where GL draws: the canvas the page keeps under this id.
constexpr const char* kCanvasSelector = "#canvas";

WsInstance instance{};
WsWindow window{};
WsDeviceContext deviceContext{};
WsGlContext glContext{};
WsWindowProc windowProc = nullptr;

WsMessage queue[kQueueSize];
int queueHead = 0;
int queueCount = 0;
bool quitPosted = false;
int quitCode = 0;
uint64_t framesPresented = 0;

void post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window.exists || queueCount == kQueueSize) return;
  queue[(queueHead + queueCount) % kQueueSize] = WsMessage{&window, message, wParam, lParam};
  ++queueCount;
}

intptr_t sizeParam(int width, int height) {
  return static_cast<intptr_t>((static_cast<uint32_t>(height) << 16) |
                               (static_cast<uint32_t>(width) & 0xFFFF));
}
}  // namespace

EM_JS(void, jsFullscreen, (int on), { Module.page.fullscreen(!!on); });
EM_JS(void, jsShowCursor, (int show), { Module.page.showCursor(!!show); });
// Makes a fresh canvas (a new context never shares the old one's objects)
// and answers its size in device pixels.
EM_JS(void, jsNewCanvas, (int* width, int* height), {
  const size = Module.page.newCanvas();
  HEAP32[width >> 2] = size[0];
  HEAP32[height >> 2] = size[1];
});
EM_JS(void, jsFocus, (), { Module.page.focus(); });

// Called by the page's script.
extern "C" {
// A key went down (1) or up (0); `code` is the key's virtual-key code, which
// is what browsers report as KeyboardEvent.keyCode.
EMSCRIPTEN_KEEPALIVE void webKey(int code, int down) {
  if (code <= 0 || code >= kKeyTableSize) return;
  post(down ? kMsgKeyDown : kMsgKeyUp, static_cast<uintptr_t>(code), 0);
}

// The canvas now has this size in device pixels.
EMSCRIPTEN_KEEPALIVE void webResize(int width, int height) {
  post(kMsgSize, 0, sizeParam(width, height));
}
}

WsInstance* wsModuleHandle(const char*) { return &instance; }
WsIcon* wsLoadIcon(WsInstance*, int iconId) {
  return reinterpret_cast<WsIcon*>(static_cast<intptr_t>(iconId));
}
WsCursor* wsLoadCursor(WsInstance*, int cursorId) {
  return reinterpret_cast<WsCursor*>(static_cast<intptr_t>(cursorId));
}

uint16_t wsRegisterClass(const WsWindowClass* windowClass) {
  if (windowProc || !windowClass || !windowClass->windowProc) return 0;
  windowProc = windowClass->windowProc;
  return 1;
}

int wsUnregisterClass(const char*, WsInstance*) {
  if (!windowProc) return 0;
  windowProc = nullptr;
  return 1;
}

// The browser's full screen stands for the display mode: the page asks for
// it (a browser grants it only during a click or a key press, which is when
// the show asks) and the canvas keeps its 16:9 shape in it.
int wsChangeDisplayMode(const WsDisplayMode* mode, uint32_t) {
  jsFullscreen(mode ? 1 : 0);
  return kDispChangeSuccessful;
}

int wsShowCursor(int show) {
  jsShowCursor(show);
  return show;
}

int wsAdjustWindowRect(WsRect*, uint32_t, int, uint32_t) { return 1; }

WsWindow* wsCreateWindow(uint32_t, const char*, const char*, uint32_t, int, int, int, int,
                         WsWindow*, void*, WsInstance*, void*) {
  if (window.exists) return nullptr;
  window.exists = 1;
  int width = 0, height = 0;
  jsNewCanvas(&width, &height);
  post(kMsgSize, 0, sizeParam(width, height));
  return &window;
}

int wsDestroyWindow(WsWindow* target) {
  if (target != &window || !window.exists) return 0;
  // Messages already queued stay: a key released while the window is made
  // anew must still reach the key table.
  window.exists = 0;
  return 1;
}

WsDeviceContext* wsGetDeviceContext(WsWindow* target) {
  if (target != &window || !window.exists) return nullptr;
  deviceContext.exists = 1;
  return &deviceContext;
}

int wsReleaseDeviceContext(WsWindow*, WsDeviceContext* dc) {
  if (dc != &deviceContext || !deviceContext.exists) return 0;
  deviceContext.exists = 0;
  return 1;
}

int wsChoosePixelFormat(WsDeviceContext* dc, const WsPixelFormat* request) {
  if (!dc || !request || request->pixelType != kPfdTypeRgba) return 0;
  if (!(request->flags & kPfdSupportOpenGl) || !(request->flags & kPfdDrawToWindow)) return 0;
  return 1;
}

int wsSetPixelFormat(WsDeviceContext* dc, int index, const WsPixelFormat*) {
  return dc && index == 1 ? 1 : 0;
}

// No alpha: the canvas is opaque, as a window is. No multisampling, as the
// desktop's pixel format has none.
WsGlContext* wsCreateContext(WsDeviceContext* dc) {
  if (!dc || glContext.handle) return nullptr;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_TRUE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.premultipliedAlpha = EM_FALSE;
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle =
      emscripten_webgl_create_context(kCanvasSelector, &attributes);
  if (handle <= 0) return nullptr;
  glContext.handle = handle;
  return &glContext;
}

int wsMakeCurrent(WsDeviceContext*, WsGlContext* context) {
  if (!context) {
    emscripten_webgl_make_context_current(0);
    return 1;
  }
  if (context != &glContext || !glContext.handle) return 0;
  if (emscripten_webgl_make_context_current(glContext.handle) != EMSCRIPTEN_RESULT_SUCCESS)
    return 0;
  gfxWebglReset();
  return 1;
}

int wsDeleteContext(WsGlContext* context) {
  if (context != &glContext || !glContext.handle) return 0;
  emscripten_webgl_destroy_context(glContext.handle);
  glContext.handle = 0;
  return 1;
}

// The browser presents once per animation frame by itself.
WsSwapIntervalProc wsSwapIntervalProc() { return nullptr; }

int wsShowWindow(WsWindow*, int) { return 1; }
int wsSetForeground(WsWindow*) { return 1; }
WsWindow* wsSetFocus(WsWindow* target) {
  jsFocus();
  return target;
}

int wsPeekMessage(WsMessage* message, WsWindow*, uint32_t, uint32_t, uint32_t) {
  if (quitPosted) {
    quitPosted = false;
    *message = WsMessage{nullptr, kMsgQuit, static_cast<uintptr_t>(quitCode), 0};
    return 1;
  }
  if (queueCount == 0) return 0;
  *message = queue[queueHead];
  queueHead = (queueHead + 1) % kQueueSize;
  --queueCount;
  return 1;
}

int wsTranslateMessage(const WsMessage*) { return 0; }

intptr_t wsDispatchMessage(const WsMessage* message) {
  if (!windowProc || !message->window) return 0;
  return windowProc(message->window, message->message, message->wParam, message->lParam);
}

intptr_t wsDefaultProc(WsWindow*, uint32_t, uintptr_t, intptr_t) { return 0; }

void wsPostQuit(int exitCode) {
  quitPosted = true;
  quitCode = exitCode;
}

int wsSwapBuffers(WsDeviceContext*) {
  gfxWebglFlush();
  ++framesPresented;
  return 1;
}

uint64_t wsWebFramesPresented() { return framesPresented; }
