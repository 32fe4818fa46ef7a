#include "timeline/director.h"

#include "timeline/clock.h"

int32_t cameraYawMs = 5000;
int32_t wideWall = 0;
int32_t cardSlot = 9;
float cardOffsetX = 0.0f;
float sceneDepth = -5.0f;
float sceneSpinY = 0.0f;
float sceneSpinX = 0.0f;

int renderFrame() {
  beginFrame();
  return 1;
}
