// Extras of the browser's window layer (window_web.cpp).
#pragma once

#include <cstdint>

// Frames presented with wsSwapBuffers since the page loaded. The page runs
// passes of the main loop until this moves, so that each animation frame
// takes every waiting message and then draws exactly one frame.
uint64_t wsWebFramesPresented();
