// Shared between the SDL back-end's files: the SDL window behind a handle.
#pragma once

#include <SDL2/SDL.h>

struct WsWindow;

// The SDL window of a window handle; null for null or a stale handle.
SDL_Window* sdlWindowOf(WsWindow* window);
