// The show's one window and its GL context: creation in a window or with the
// display switched, teardown, the window procedure, the projection, and the
// one-time GL set-up that builds every texture and effect table.
#pragma once

#include <cstdint>

#include "platform/keys.h"
#include "platform/window_system.h"

// The window in force and what the window procedure keeps. Not part of the
// show's state: the show's frames carry on whatever window they are drawn
// in. The defaults are the values at program start.
struct WindowState {
  // Handles of the window in force; null while there is none. Written by
  // createGLWindow and killGLWindow.
  WsGlContext* glContext = nullptr;
  WsDeviceContext* deviceContext = nullptr;  // frames are presented on it
  WsWindow* mainWindow = nullptr;            // owner of the audio dialogs
  WsInstance* appInstance = nullptr;
  // 1 while full-screen mode is requested or in force, 0 in a window. Starts
  // at 1; the start-up question and the F1 toggle change it.
  int32_t fullscreen = 1;
  // 1 while the window is not minimised; written only by windowProc.
  int32_t active = 1;
  // Entry k is set by every key-down of key k and cleared by the main loop
  // once it has looked at that key, so that a tap whose press and release
  // both arrive between two looks still counts once. Set only by windowProc;
  // the main loop reads and clears the entries of the keys it acts on. (The
  // table of keys held down, `keys`, is in platform/keys.h.)
  int32_t keyPresses[kKeyTableSize] = {};
  // How many times initGL has built a context's GL side: what a module keeps
  // of one context (a texture) it makes again when this moves.
  uint32_t contextBuilds = 0;
};
// Owned here, one for the whole run.
extern WindowState appWindow;

// Whether key `virtualKey` was pressed since the last look, using the press
// up: a key the main loop's passes act on once per press.
int takeKeyPress(int virtualKey);

// Puts the window state back to program start. Only while no window is in
// force (after killGLWindow): it forgets the handles without releasing them.
void resetAppWindow();

// The window title, size and colour depth every window is created with.
constexpr const char* kWindowTitle = "Vantorel";
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 720;
constexpr int kWindowBits = 32;

// Creates the window (full screen when fullscreenFlag is 1, with the display
// switched to width x height), its GL context, the projection and all GL-side
// data. Returns 1 when all of it exists, else 0 after the failure has been
// shown to the user.
int createGLWindow(const char* title, int width, int height, int bits, int fullscreenFlag);

// Restores the display mode, releases the context, device context, window and
// class. Reports its own failures and always runs every step.
void killGLWindow();

// Viewport and 45-degree perspective projection for a client size in pixels;
// a height of 0 counts as 1.
void resizeScene(int width, int height);

// Fixed GL state, then textures, mesh grids, swarm and ribbons, in that order.
// Runs with a new context current, from createGLWindow only. Returns 1.
int initGL();

// The window procedure: keeps `keys` and `active`, passes size changes on to
// resizeScene, posts the quit message when the window is closed.
intptr_t windowProc(WsWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
