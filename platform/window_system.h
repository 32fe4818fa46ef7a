// The window layer: one top-level window with a GL context, the display-mode
// change, and a message queue that delivers window messages to a window
// procedure the way the show's window code expects them.
//
// The show's window code (app/window.cpp) is written against a classic
// desktop window system: register a class, create a window, get its device
// context, choose and set a pixel format, create and bind a context, peek,
// translate and dispatch messages. Each function here stands for one such
// call and keeps its arguments, constants and results; the back-ends map them
// onto SDL2 (window_sdl.cpp) or onto EGL without a display
// (window_headless.cpp).
#pragma once

#include <cstdint>

// Opaque handles; null means none.
struct WsWindow;
struct WsDeviceContext;
struct WsGlContext;
struct WsInstance;
struct WsIcon;
struct WsCursor;

// Message codes, with the values the window procedure tests.
enum : uint32_t {
  kMsgSize = 0x0005,        // lParam: width in the low 16 bits, height in the high
  kMsgActivate = 0x0006,    // wParam: high 16 bits nonzero while minimised
  kMsgClose = 0x0010,       // the user asked to close the window
  kMsgQuit = 0x0012,        // posted by wsPostQuit; wParam is the exit code
  kMsgKeyDown = 0x0100,     // wParam: the key's virtual-key code (below 256)
  kMsgKeyUp = 0x0101,
  kMsgSysKeyDown = 0x0104,  // a key pressed with Alt held, or Alt or F10 itself
  kMsgSysKeyUp = 0x0105,
  kMsgSysCommand = 0x0112,  // wParam: the command
};

// System commands the show swallows so that neither starts.
enum : uintptr_t {
  kSysCommandScreenSave = 0xF140,
  kSysCommandMonitorPower = 0xF170,
};

struct WsMessage {
  WsWindow* window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

using WsWindowProc = intptr_t (*)(WsWindow* window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam);

// Class styles, window styles and extended styles, with their classic values.
enum : uint32_t {
  kClassVRedraw = 0x0001,
  kClassHRedraw = 0x0002,
  kClassOwnDc = 0x0020,
  kStylePopup = 0x80000000u,
  kStyleOverlappedWindow = 0x00CF0000u,  // caption, frame, sizing, min/max box
  kStyleClipSiblings = 0x04000000u,
  kStyleClipChildren = 0x02000000u,
  kExStyleWindowEdge = 0x00000100u,
  kExStyleAppWindow = 0x00040000u,
};

struct WsWindowClass {
  uint32_t style;
  WsWindowProc windowProc;
  int classExtra;
  int windowExtra;
  WsInstance* instance;
  WsIcon* icon;
  WsCursor* cursor;
  const char* className;
};

struct WsRect {
  int32_t left, top, right, bottom;
};

// The pixel-format request: the fields the show sets; all else is zero.
enum : uint32_t {
  kPfdDoubleBuffer = 0x1,
  kPfdDrawToWindow = 0x4,
  kPfdSupportOpenGl = 0x20,
};
enum : uint8_t { kPfdTypeRgba = 0, kPfdMainPlane = 0 };

struct WsPixelFormat {
  uint16_t size;
  uint16_t version;
  uint32_t flags;
  uint8_t pixelType;
  uint8_t colorBits;
  uint8_t depthBits;
  uint8_t layerType;
};

// A display-mode request: the fields mask says which of the others count.
enum : uint32_t {
  kDmBitsPerPel = 0x00040000,
  kDmPelsWidth = 0x00080000,
  kDmPelsHeight = 0x00100000,
};

struct WsDisplayMode {
  uint32_t size;
  uint32_t fields;
  uint32_t bitsPerPel;
  uint32_t pelsWidth;
  uint32_t pelsHeight;
};

// Flags and results of wsChangeDisplayMode.
constexpr uint32_t kCdsFullscreen = 4;
constexpr int kDispChangeSuccessful = 0;
constexpr int kDispChangeFailed = -1;
constexpr int kDispChangeBadMode = -2;

constexpr int kShowWindowShow = 5;
constexpr uint32_t kPeekRemove = 1;
constexpr int kSystemIconWinLogo = 32517;
constexpr int kSystemCursorArrow = 32512;

// Swap-interval entry point of the driver: interval in vertical retraces.
using WsSwapIntervalProc = int (*)(int interval);

// The program's module handle (never null).
WsInstance* wsModuleHandle(const char* moduleName);
// A system icon or cursor by its classic number; the handles are only tokens.
WsIcon* wsLoadIcon(WsInstance* instance, int iconId);
WsCursor* wsLoadCursor(WsInstance* instance, int cursorId);

// Registers the window class; returns 0 when the class name is taken or the
// window system cannot be reached (the reason goes to standard error).
uint16_t wsRegisterClass(const WsWindowClass* windowClass);
// Forgets the class; nonzero on success, 0 when it was not registered.
int wsUnregisterClass(const char* className, WsInstance* instance);

// With a mode and kCdsFullscreen: checks that the display has a mode of
// exactly that size and arranges for the next popup window to switch to it.
// Returns kDispChangeSuccessful, or kDispChangeBadMode when no mode of that
// size exists. With null and 0: puts the desktop's own mode back at once.
// The layer also puts the desktop's mode back whenever the process ends,
// normally or through a crash signal, while a changed mode is in force.
int wsChangeDisplayMode(const WsDisplayMode* mode, uint32_t flags);

// Hides (0) or shows (1) the mouse cursor over the window.
int wsShowCursor(int show);

// Grows a client rectangle to the window's outer size for the styles given;
// returns nonzero.
int wsAdjustWindowRect(WsRect* rect, uint32_t style, int hasMenu, uint32_t exStyle);

// Creates the (hidden) window with a double-buffered GL-capable surface of
// 8 bits per colour channel and no alpha channel (an opaque window), with the
// deepest depth buffer the driver offers: 32 bits where it can. A popup-style window takes the mode arranged by
// wsChangeDisplayMode and fills the screen. Null on failure.
WsWindow* wsCreateWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                         int x, int y, int width, int height, WsWindow* parent, void* menu,
                         WsInstance* instance, void* param);
// Destroys the window; nonzero on success.
int wsDestroyWindow(WsWindow* window);

// The window's device context; null on failure.
WsDeviceContext* wsGetDeviceContext(WsWindow* window);
int wsReleaseDeviceContext(WsWindow* window, WsDeviceContext* dc);

// Matches the request against the surface the window has (always RGBA and
// double-buffered); a positive index, 0 when the request cannot be met (not
// RGBA, or not asking for GL; the real window also wants drawing to a window).
int wsChoosePixelFormat(WsDeviceContext* dc, const WsPixelFormat* request);
// Confirms the chosen format for the window; nonzero on success.
int wsSetPixelFormat(WsDeviceContext* dc, int index, const WsPixelFormat* request);

// A GL context for the window, of a profile where GL 1.1 immediate mode works.
WsGlContext* wsCreateContext(WsDeviceContext* dc);
// Makes the context current on this thread; (null, null) releases it.
int wsMakeCurrent(WsDeviceContext* dc, WsGlContext* context);
int wsDeleteContext(WsGlContext* context);

// The driver's swap-interval entry point, or null when it offers none.
WsSwapIntervalProc wsSwapIntervalProc();

// Shows the window, raises it, gives it the keyboard. Results carry nothing.
int wsShowWindow(WsWindow* window, int command);
int wsSetForeground(WsWindow* window);
WsWindow* wsSetFocus(WsWindow* window);

// Takes at most one message without waiting; nonzero when one was taken.
// Messages posted with wsPostQuit come first, then the window system's.
int wsPeekMessage(WsMessage* message, WsWindow* filter, uint32_t first, uint32_t last,
                  uint32_t remove);
int wsTranslateMessage(const WsMessage* message);
// Calls the window procedure of the message's window class.
intptr_t wsDispatchMessage(const WsMessage* message);
// Default handling of a message the window procedure does not handle.
intptr_t wsDefaultProc(WsWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Posts the quit message with the given code.
void wsPostQuit(int exitCode);

// Presents the back buffer.
int wsSwapBuffers(WsDeviceContext* dc);
