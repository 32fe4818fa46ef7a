// Process services in a browser: the page's clock, and the show's own end
// turned into the page's end screen.
#include <emscripten.h>

#include "platform/page.h"
#include "platform/sys.h"

namespace {
SysExitHook exitHook = nullptr;
}  // namespace

// The page's thread must never block. The pause the show takes after making
// its window lets a desktop window system settle; a canvas has nothing to
// settle.
void sysSleep(uint32_t) {}

int64_t sysMonotonicMs() { return static_cast<int64_t>(emscripten_get_now()); }

void sysSetExitHook(SysExitHook hook) { exitHook = hook; }

// The show ends itself from inside a frame: the page shows its end screen and
// the module stops for good (the page's frame loop takes the exit quietly).
void sysExit(int status) {
  SysExitHook hook = exitHook;
  exitHook = nullptr;
  if (hook) hook(status);
  pageShowEnd();
  emscripten_force_exit(status);
}

// The browser's allocator never hands memory back to the system.
void sysTuneAllocator() {}
