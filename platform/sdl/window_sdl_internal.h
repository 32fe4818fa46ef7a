// Shared between the SDL back-end's files: the SDL window behind a handle.
#pragma once

#include <SDL2/SDL.h>

struct WsWindow;

// The SDL window of a window handle; null for null or a stale handle.
SDL_Window* sdlWindowOf(WsWindow* window);

// Whether there is a display to show windows and dialogs on: an X display
// that opens, a Wayland compositor's socket, or a video driver the user chose
// with SDL_VIDEODRIVER. The first call looks; when it finds none it says so in
// one line on standard error, before whatever the show says next. The first
// dialog and the window system's start both ask.
bool sdlDisplayPresent();

// Whether SDL's video runs on a driver nobody sees (offscreen or dummy) that
// the user did not choose: SDL falls back to one when there is no display.
bool sdlInvisibleVideo();
