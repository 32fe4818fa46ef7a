// Process services in a browser: the page's clock; no pause, no allocator
// to tune.
#include <emscripten.h>

#include "platform/sys.h"

// The page's thread must never block. The pause the show takes after making
// its window lets a desktop window system settle; a canvas has nothing to
// settle.
void sysSleep(uint32_t) {}

int64_t sysMonotonicMs() { return static_cast<int64_t>(emscripten_get_now()); }

// The browser's allocator never hands memory back to the system.
void sysTuneAllocator() {}
