// The frame director: maps the music clock to what is drawn. Walks the
// show's moments (timeline/moments.h): turns the camera, shows the title
// cards, finds the scene (backdrop, small card, effect cues, the end), draws
// the small card and the backdrop wall, sets up the effect space and calls
// the effects.
#pragma once

#include <cstdint>

// Camera yaw accumulator in ms; 5000 is the rest position (yaw 0).
extern int32_t cameraYawMs;
// Nonzero once the backdrop wall has moved out to x = -5; never cleared.
extern int32_t wideWall;
// Texture slot of the small card: kSlotEmblemCard, then kSlotFlashCard from
// the scene that switches it on.
extern int32_t cardSlot;
// Horizontal offset of the small card, in scene units.
extern float cardOffsetX;
// How far the effect space is pushed into the screen (z). Never changes.
extern float sceneDepth;
// Spins of the effect space about y and x in degrees; grow in the finale.
extern float sceneSpinY;
extern float sceneSpinX;

// Draws one whole frame into the back buffer. Called by whoever runs the
// show's loop (the main loop, the capture tool), once per frame. Returns 1 to
// go on, 0 when the show is over: the music has stopped, or the end time has
// passed. The frame that reports the end draws nothing after the clear (the
// music's end) or nothing of the small card, wall and effects (the end time).
int renderFrame();

// The frame after the clock has been read: the camera, the title card, the
// scene with its cues, the small card, the wall, the effect space and
// the effects, for the musicTimeMs and frameDeltaMs in force. renderFrame
// calls it; so do tests, which set the clock themselves. Returns 1, or 0 in
// the scene that ends the show (the end time has passed), after the cues.
int runTimeline();
