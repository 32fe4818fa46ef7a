// Keeps Mesa's driver loaded for the life of a test process. EGL unloads the
// driver when a display is terminated; LeakSanitizer then sees the driver's
// own process-lifetime allocations with no module to name, and no suppression
// can match them. Loaded once more here and never unloaded, the driver keeps
// its name, and the suppressions for the system's GL stack apply.
#include <dlfcn.h>

namespace {
struct KeepGlDriver {
  KeepGlDriver() { dlopen(VANTOREL_GL_DRIVER, RTLD_NOW | RTLD_NODELETE); }
} keepGlDriver;
}  // namespace
