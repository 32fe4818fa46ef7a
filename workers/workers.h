// Helper threads for the loops of a frame whose items do not depend on one
// another (the mesh's vertices and normals, the triangles a back-end looks
// through). A software renderer rasterises only once the frame is handed
// over, so while the main thread works out the mesh the other cores idle;
// the helpers take their share of such a loop there.
//
// Every item is worked out by exactly the same code whichever thread runs it,
// so the results are the same bit for bit however many threads there are.
// Back-ends: threads of the process (workers_threads.cpp), or the caller alone
// (workers_serial.cpp, for the browser).
#pragma once

#include <type_traits>

// How many parts workersFor cuts a loop into: the helpers plus the caller;
// 1 when there are no helpers. Fixed once the first loop has run.
int workersCount();

// Runs body(context, part, begin, end) over the items [0, count), cut into at
// most workersCount() runs of neighbouring items, one run per part (part
// counts from 0, in the order of the runs), and returns once every run is
// done. The caller runs one part itself. Runs with fewer than minItems items
// are not worth a thread: the loop is then cut into fewer parts. Called from
// the main thread only; body must not call workersFor.
void workersFor(int count, int minItems, void (*body)(void* context, int part, int begin, int end),
                void* context);

// The same for a lambda or any other callable f(part, begin, end).
template <typename Body>
void workersFor(int count, int minItems, Body&& body) {
  using Callable = std::remove_reference_t<Body>;
  workersFor(
      count, minItems,
      [](void* context, int part, int begin, int end) {
        (*static_cast<Callable*>(context))(part, begin, end);
      },
      const_cast<void*>(static_cast<const void*>(&body)));
}
