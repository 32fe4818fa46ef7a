// The frame director: maps the music clock to what is drawn. Walks the
// show's moments (timeline/moments.h): turns the camera, shows the title
// cards, finds the scene (backdrop, small card, effect cues, the end), draws
// the small card and the backdrop wall, sets up the effect space and calls
// the effects.
#pragma once

#include <cstdint>

#include "assets/slots.h"

// The yaw accumulator's rest value: the camera looks straight ahead there.
constexpr int32_t kCameraYawRestMs = 5000;

// Everything the director keeps from frame to frame. The defaults are the
// values at program start.
struct DirectorState {
  // Camera yaw accumulator in ms; 5000 is the rest position (yaw 0).
  int32_t cameraYawMs = kCameraYawRestMs;
  // Nonzero once the backdrop wall has moved out to x = -5; never cleared.
  int32_t wideWall = 0;
  // Texture slot of the small card: kSlotEmblemCard, then kSlotFlashCard
  // from the scene that switches it on.
  int32_t cardSlot = kSlotEmblemCard;
  // Horizontal offset of the small card, in scene units.
  float cardOffsetX = 0.0f;
  // How far the effect space is pushed into the screen (z). Never changes.
  float sceneDepth = -5.0f;
  // Spins of the effect space about y and x in degrees; grow in the finale.
  float sceneSpinY = 0.0f;
  float sceneSpinX = 0.0f;
};

// The director's state; owned here, one for the whole run. A full-screen
// toggle leaves it as it is.
extern DirectorState director;

// Puts the director back to its state at program start.
void resetDirector();

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
