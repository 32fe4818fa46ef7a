// The spectrum ribbons: three thin coloured bands of 100 points that lie
// hidden, ripple, follow the spectrum, form square waves or drift as trails.
#pragma once

#include <cstdint>

constexpr int kRibbonPoints = 100;
constexpr int kRibbonCount = 3;

struct Ribbon {
  int32_t mode;     // 0 hidden, 1 trail, 2 wave, 3 spectrum, 4 square
  int32_t visible;  // nonzero: drawn
  float x[kRibbonPoints];
  float y[kRibbonPoints];
  float z[kRibbonPoints];
  float red, green, blue;
};

extern Ribbon ribbons[kRibbonCount];

// Trail pacing in ms, shared by the three ribbons; never reset.
extern int32_t ribbonAccumMs;

// Resets modes, points and colours; keeps `visible` and ribbonAccumMs. Runs
// from initGL.
void initRibbons();

// Puts all three ribbons in the mode; code 0 also hides them, any other
// shows them.
void setRibbonMode(int32_t mode);

// Updates and draws the ribbons, texturing off, in the effect space. Called
// once per frame, last of the effects.
void drawRibbons();
