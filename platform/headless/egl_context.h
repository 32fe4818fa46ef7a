// A GL context without a display: Mesa's surfaceless EGL platform (or a GPU's
// EGL device), drawing into an offscreen pbuffer of a given size. Used by the
// headless window layer, the capture tool and the tests.
#pragma once

// Creates the context and a width x height RGBA pbuffer with the deepest depth
// buffer offered (32 bits where it can), and makes it current on this thread.
// Returns 1, or 0 with the reason on standard error when EGL is not available.
// One context at a time: a second call destroys the first.
int eglContextCreate(int width, int height);

// Makes the context current (true) or releases it from the thread (false).
// Returns 1, or 0 when EGL refuses.
int eglContextMakeCurrent(bool current);

// Destroys the context and its surface; safe when there is none.
void eglContextDestroy();

// Bits of the depth buffer of the context in force (0 without one).
int eglContextDepthBits();

// Finishes the frame drawn so far (the pbuffer has no second buffer).
void eglContextSwap();
