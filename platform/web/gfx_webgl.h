// What the browser's window layer asks of the WebGL back-end (gfx_webgl.cpp).
#pragma once

// Draws the strips collected so far. Called before a frame is presented and
// before anything reads the canvas.
void gfxWebglFlush();

// Forgets the state kept for the context that was current before (matrices,
// colour, texturing, the bound texture) and drops what was collected. Called
// when a new context has been made current.
void gfxWebglReset();
