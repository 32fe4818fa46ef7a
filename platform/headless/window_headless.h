// Extras of the headless window layer, for the tools and tests that run the
// show without a display.
#pragma once

#include <cstdint>

// Queues a window-system message for the window in force, as if the user had
// caused it (a key, a close, a minimise). Delivered by wsPeekMessage after
// posted quit messages.
void headlessQueueMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Sets the display modes the headless "display" offers to wsChangeDisplayMode
// (a width and height; 0 x 0 offers none, the default).
void headlessOfferDisplayMode(int width, int height);

// The size of the window in force, 0 x 0 without one.
void headlessWindowSize(int* width, int* height);

// Whether a changed display mode is in force (a full-screen window exists).
bool headlessDisplayChanged();
