// The frame director: maps the music clock to what is drawn. Turns the
// camera, shows the title cards, walks the scene chain (backdrop, small card,
// effect cues, the end time), draws the small card and the backdrop wall, sets
// up the effect space and calls the effects.
#pragma once

#include <cstdint>

// Camera yaw accumulator in ms; 5000 is the rest position (yaw 0).
extern int32_t cameraYawMs;
// Nonzero once the backdrop wall has moved out to x = -5; never cleared.
extern int32_t wideWall;
// Texture slot of the small card: 9, then 12 from its switch on.
extern int32_t cardSlot;
// Horizontal offset of the small card, in scene units.
extern float cardOffsetX;
// How far the effect space is pushed into the screen (z). Never changes.
extern float sceneDepth;
// Spins of the effect space about y and x in degrees; grow in the finale.
extern float sceneSpinY;
extern float sceneSpinX;

// Draws one whole frame into the back buffer. Returns 1 to go on; ends the
// process itself when the music stops or the end time is passed.
int renderFrame();

// The frame after the clock has been read: the camera, the title card, the
// scene chain with its cues, the small card, the wall, the effect space and
// the effects, for the musicTimeMs and frameDeltaMs in force. renderFrame
// calls it; so do tests and the capture tool, which set the clock themselves.
// Returns 1 (the last window ends the process instead).
int runTimeline();

// The number (1 to 23) of the scene-chain window that holds a music time.
int chainWindowAt(int32_t t);
