// Process services the show needs from the operating system: a pause, a
// monotonic clock, the process exit, and allocator tuning.
#pragma once

#include <cstdint>

// Sleeps the calling thread for the given number of milliseconds.
void sysSleep(uint32_t ms);

// Milliseconds of a monotonic clock with an arbitrary origin; never goes back.
int64_t sysMonotonicMs();

// Runs just before the process ends through sysExit; may flush and close
// whatever its owner has open. It returns normally; the exit follows.
using SysExitHook = void (*)(int status);

// Installs the hook called by sysExit (null removes it). One hook at a time;
// the capture tool installs one so that the show's own end closes its file.
void sysSetExitHook(SysExitHook hook);

// Ends the process with the given status: the hook first, then the C
// library's exit, so atexit handlers (the display-mode restore) still run.
[[noreturn]] void sysExit(int status);

// Keeps freed memory in the process instead of handing it back to the kernel
// after every GL draw: on this kind of machine the trim-and-fault cycle inside
// the software GL driver costs more than the drawing. Called once by each
// executable before it creates a GL context.
void sysTuneAllocator();
