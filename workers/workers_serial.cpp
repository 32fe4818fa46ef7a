// No helper threads: every loop runs whole on the caller's thread.
#include "workers/workers.h"

int workersCount() { return 1; }

void workersFor(int count, int, void (*body)(void*, int, int, int), void* context) {
  if (count > 0) body(context, 0, 0, count);
}
