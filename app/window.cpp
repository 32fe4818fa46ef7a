#include "app/window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "assets/textures.h"
#include "effects/mesh_grids.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "platform/dialog.h"

WindowState appWindow;

int takeKeyPress(int virtualKey) {
  const int hit = appWindow.keyPresses[virtualKey];
  appWindow.keyPresses[virtualKey] = 0;
  return hit;
}

void resetAppWindow() { appWindow = WindowState{}; }

namespace {
constexpr const char* kClassName = "OpenGL";

// The pixel-format request, cleared and filled by every createGLWindow.
WsPixelFormat pixelFormatRequest;

// The vertical field of view in degrees and the clip planes. The near plane is
// the single-precision 0.1 widened to double, as the projection always had it.
constexpr double kFieldOfViewDegrees = 45.0;
constexpr double kNearPlane = static_cast<double>(0.1f);
constexpr double kFarPlane = 200.0;

// Depth requested from the pixel format: the deepest common buffer.
constexpr uint8_t kDepthBits = 32;

// Window styles by mode: a borderless popup over the switched display, or a
// normal framed window; both clip their siblings and children.
constexpr uint32_t kFullscreenExStyle = kExStyleAppWindow;
constexpr uint32_t kFullscreenStyle = kStylePopup;
constexpr uint32_t kWindowedExStyle = kExStyleAppWindow | kExStyleWindowEdge;
constexpr uint32_t kWindowedStyle = kStyleOverlappedWindow;
constexpr uint32_t kClipStyles = kStyleClipSiblings | kStyleClipChildren;

void showError(const char* text) {
  dialogMessageBox(nullptr, text, "ERROR", kDialogOk | kDialogIconExclamation);
}

void showShutdownError(const char* text) {
  dialogMessageBox(nullptr, text, "SHUTDOWN ERROR", kDialogOk | kDialogIconInformation);
}

// Tears down what exists and reports the failure; createGLWindow returns 0.
int failCreation(const char* text) {
  killGLWindow();
  showError(text);
  return 0;
}
}  // namespace

void resizeScene(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfViewDegrees, static_cast<double>(width) / static_cast<double>(height),
                 kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

int initGL() {
  // Each swap waits for one vertical retrace where the driver can do that;
  // otherwise the driver's own setting stands.
  if (WsSwapIntervalProc setSwapInterval = wsSwapIntervalProc()) setSwapInterval(1);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
  // A new context starts with every capability the frames switch off.
  resetGfxState();
  ++appWindow.contextBuilds;
  loadTextures();
  buildMeshGrids();
  initSwarm();
  initRibbons();
  return 1;
}

void killGLWindow() {
  if (appWindow.fullscreen) {
    wsChangeDisplayMode(nullptr, 0);
    wsShowCursor(1);
  }
  if (appWindow.glContext) {
    if (!wsMakeCurrent(nullptr, nullptr)) showShutdownError("Release of DC and RC Failed.");
    if (!wsDeleteContext(appWindow.glContext)) showShutdownError("Release Rendering Context Failed.");
    appWindow.glContext = nullptr;
  }
  // Each handle is cleared once it is released, whether or not the release
  // succeeded, so that a failed re-creation never releases it a second time.
  if (appWindow.deviceContext) {
    if (!wsReleaseDeviceContext(appWindow.mainWindow, appWindow.deviceContext))
      showShutdownError("Release Device Context Failed.");
    appWindow.deviceContext = nullptr;
  }
  if (appWindow.mainWindow) {
    if (!wsDestroyWindow(appWindow.mainWindow)) showShutdownError("Could Not Release hWnd.");
    appWindow.mainWindow = nullptr;
  }
  if (!wsUnregisterClass(kClassName, appWindow.appInstance)) showShutdownError("Could Not Unregister Class.");
  appWindow.appInstance = nullptr;
}

int createGLWindow(const char* title, int width, int height, int bits, int fullscreenFlag) {
  std::memset(&pixelFormatRequest, 0, sizeof pixelFormatRequest);
  pixelFormatRequest.size = 40;
  pixelFormatRequest.version = 1;
  pixelFormatRequest.flags = kPfdDrawToWindow | kPfdSupportOpenGl | kPfdDoubleBuffer;
  pixelFormatRequest.pixelType = kPfdTypeRgba;
  pixelFormatRequest.colorBits = static_cast<uint8_t>(bits);
  pixelFormatRequest.depthBits = kDepthBits;
  pixelFormatRequest.layerType = kPfdMainPlane;

  WsRect rect{0, 0, width, height};
  appWindow.fullscreen = fullscreenFlag;

  appWindow.appInstance = wsModuleHandle(nullptr);
  WsWindowClass windowClass{};
  windowClass.style = kClassHRedraw | kClassVRedraw | kClassOwnDc;
  windowClass.windowProc = windowProc;
  windowClass.instance = appWindow.appInstance;
  windowClass.icon = wsLoadIcon(nullptr, kSystemIconWinLogo);
  windowClass.cursor = wsLoadCursor(nullptr, kSystemCursorArrow);
  windowClass.className = kClassName;
  if (!wsRegisterClass(&windowClass)) {
    showError("Failed to register window class.");
    return 0;
  }

  if (appWindow.fullscreen) {
    WsDisplayMode mode{};
    mode.size = 156;
    mode.fields = kDmBitsPerPel | kDmPelsWidth | kDmPelsHeight;
    mode.pelsWidth = static_cast<uint32_t>(width);
    mode.pelsHeight = static_cast<uint32_t>(height);
    mode.bitsPerPel = static_cast<uint32_t>(bits);
    if (wsChangeDisplayMode(&mode, kCdsFullscreen) != kDispChangeSuccessful) {
      if (dialogMessageBox(nullptr,
                           "The Requested Fullscreen Mode is not Supported by\nyour video card. "
                           "Use Windowed mode instead?",
                           "OpenGL Rules", kDialogYesNo | kDialogIconExclamation) ==
          kDialogAnswerYes) {
        appWindow.fullscreen = 0;
      } else {
        dialogMessageBox(nullptr, "Program will now close.", "ERROR",
                         kDialogOk | kDialogIconStop);
        return 0;
      }
    }
  }

  const uint32_t exStyle = appWindow.fullscreen ? kFullscreenExStyle : kWindowedExStyle;
  const uint32_t style = appWindow.fullscreen ? kFullscreenStyle : kWindowedStyle;
  if (appWindow.fullscreen) wsShowCursor(0);
  wsAdjustWindowRect(&rect, style, 0, exStyle);

  appWindow.mainWindow = wsCreateWindow(exStyle, kClassName, title, style | kClipStyles, 0, 0,
                              rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                              appWindow.appInstance, nullptr);
  if (!appWindow.mainWindow) return failCreation("Window Creation Error.");
  appWindow.deviceContext = wsGetDeviceContext(appWindow.mainWindow);
  if (!appWindow.deviceContext) return failCreation("Can't Create a GL Device Context.");
  const int pixelFormat = wsChoosePixelFormat(appWindow.deviceContext, &pixelFormatRequest);
  if (!pixelFormat) return failCreation("Can't Find a Suitable PixelFormat.");
  if (!wsSetPixelFormat(appWindow.deviceContext, pixelFormat, &pixelFormatRequest))
    return failCreation("Can't set the pixelformat.");
  appWindow.glContext = wsCreateContext(appWindow.deviceContext);
  if (!appWindow.glContext) return failCreation("Can't Create a GL Rendering Context.");
  if (!wsMakeCurrent(appWindow.deviceContext, appWindow.glContext))
    return failCreation("Can't Activate the GL rendering context.");

  wsShowWindow(appWindow.mainWindow, kShowWindowShow);
  wsSetForeground(appWindow.mainWindow);
  wsSetFocus(appWindow.mainWindow);
  resizeScene(width, height);
  if (!initGL()) return failCreation("INITIALISATION FAILED.");
  return 1;
}

intptr_t windowProc(WsWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgActivate:
      appWindow.active = ((wParam >> 16) & 0xFFFF) == 0 ? 1 : 0;
      return 0;
    case kMsgSysCommand:
      if (wParam == kSysCommandScreenSave || wParam == kSysCommandMonitorPower) return 0;
      break;
    case kMsgClose:
      wsPostQuit(0);
      return 0;
    case kMsgKeyDown:
      if (wParam < kKeyTableSize) {
        keys[wParam] = 1;
        appWindow.keyPresses[wParam] = 1;
      }
      return 0;
    case kMsgKeyUp:
      if (wParam < kKeyTableSize) keys[wParam] = 0;
      return 0;
    case kMsgSize:
      resizeScene(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
      return 0;
    default:
      break;
  }
  return wsDefaultProc(window, message, wParam, lParam);
}
