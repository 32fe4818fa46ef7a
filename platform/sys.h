// Process services the show needs from the operating system: a pause, a
// monotonic clock and allocator tuning.
#pragma once

#include <cstdint>

// Sleeps the calling thread for the given number of milliseconds.
void sysSleep(uint32_t ms);

// Milliseconds of a monotonic clock with an arbitrary origin; never goes back.
int64_t sysMonotonicMs();

// Keeps freed memory in the process instead of handing it back to the kernel
// after every GL draw: on this kind of machine the trim-and-fault cycle inside
// the software GL driver costs more than the drawing. Called once by each
// executable before it creates a GL context.
void sysTuneAllocator();
