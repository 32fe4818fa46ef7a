// The spectrum ribbons: three thin coloured bands of 100 points that lie
// hidden, ripple, follow the spectrum, form square waves or drift as trails.
#pragma once

#include <cstdint>

constexpr int kRibbonPoints = 100;
constexpr int kRibbonCount = 3;

// Mode codes, shared by all three ribbons.
constexpr int32_t kRibbonHidden = 0;    // nothing drawn, points kept
constexpr int32_t kRibbonTrail = 1;     // points drift in small random steps
constexpr int32_t kRibbonWave = 2;      // travelling sine wave on the music clock
constexpr int32_t kRibbonSpectrum = 3;  // follows a stretch of the spectrum
constexpr int32_t kRibbonSquare = 4;    // fixed square wave

struct Ribbon {
  int32_t mode;     // 0 hidden, 1 trail, 2 wave, 3 spectrum, 4 square
  int32_t visible;  // nonzero: drawn
  float x[kRibbonPoints];
  float y[kRibbonPoints];
  float z[kRibbonPoints];
  float red, green, blue;
};

// What the ribbons keep from frame to frame. Zero at program start, until
// initRibbons sets modes, points and colours.
struct RibbonsState {
  // Ribbons 0, 1 and 2, visited in that order by every operation; points in
  // units of the effect space. Point 0 is never drawn: in the trail mode it
  // is the head that the others follow.
  Ribbon ribbon[kRibbonCount];
  // Trail pacing in ms of music time, shared by the three ribbons; never
  // reset by initRibbons.
  int32_t ribbonAccumMs;
};

// The ribbons' state; owned here for the whole run.
extern RibbonsState ribbons;

// Puts the ribbons back to their state at program start: all zero.
void resetRibbons();

// Resets modes (to kRibbonSpectrum), points and colours; keeps `visible` and
// ribbonAccumMs. Runs from initGL.
void initRibbons();

// Puts all three ribbons in the mode; code 0 also hides them, any other
// shows them. Called by the cues between frames.
void setRibbonMode(int32_t mode);

// Updates and draws the ribbons, texturing off, in the effect space, then
// flushes. Reads musicTimeMs, frameDeltaMs and spectrum. Called once per
// frame, last of the effects. Leaves the last ribbon's colour and filled
// polygons on both faces current.
void drawRibbons();
