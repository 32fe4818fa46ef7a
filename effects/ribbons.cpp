#include "effects/ribbons.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "effects/random.h"
#include "gfx/gfx.h"
#include "music/clock.h"

RibbonsState ribbons;

void resetRibbons() { ribbons = RibbonsState{}; }

namespace {
// The show's constants are single-precision values (the f literals) while the
// arithmetic around them is done in double; holding them as doubles that
// keep the float value does both.

// The starting line: from x = 1.5 in steps of 0.03 (to 4.47), at z = -5, with
// one slow sine swell in y.
constexpr double kFirstX = 1.5f;
constexpr double kPointSpacing = 0.03f;
constexpr float kStartZ = -5.0f;
constexpr double kSwellHeight = 0.1f;
constexpr double kSwellPerPoint = 0.2f;

// The wave mode: 0.1 high, travelling at 0.002 radians per ms of music time,
// 0.2 radians per point.
constexpr double kWaveHeight = 0.1f;
constexpr double kWavePerMs = 0.002f;
constexpr double kWavePerPoint = 0.2f;

// The trail mode: every kTrailStepMs of frame time gathered in ribbonAccumMs
// lets one ribbon move its points one place back; the head then jitters by
// one of -0.1, -0.08, ..., 0.1 on each axis.
constexpr int32_t kTrailStepMs = 50;
constexpr int kJitterSteps = 11;
constexpr double kJitterStep = 0.02f;
constexpr double kJitterOrigin = 0.1f;

// The band's lower edge runs this far left of and below its upper edge.
constexpr double kEdgeShiftX = 0.005f;
constexpr double kEdgeShiftY = 0.01f;

// What sets each ribbon apart.
struct RibbonLook {
  float red, green, blue;
  double wavePhase;   // radians added to the wave of mode 2
  int spectrumFirst;  // spectrum entry of point 0 in mode 3
  // Mode 4: ((i + squareShift) / squarePoints mod 2) * squareHeight.
  int squareShift;
  int squarePoints;
  double squareHeight;
};
constexpr RibbonLook kLooks[kRibbonCount] = {
    {225.0f / 255.0f, 100.0f / 255.0f, 225.0f / 255.0f, 0.0, 100, 0, 10, 0.1f},
    {100.0f / 255.0f, 100.0f / 255.0f, 225.0f / 255.0f, 2.0 * std::numbers::pi / 3.0, 50, 0, 15,
     0.2f},
    {100.0f / 255.0f, 1.0f, 100.0f / 255.0f, std::numbers::pi / 3.0, 0, 15, 20, 0.3f},
};

// The y of point i of ribbon r in a mode that recomputes it.
double waveY(int r, int i) {
  return kWaveHeight * std::sin(kWavePerMs * musicClock.musicTimeMs + kWavePerPoint * i + kLooks[r].wavePhase);
}

double spectrumY(int r, int i) { return musicClock.spectrum[kLooks[r].spectrumFirst + i]; }

double squareY(int r, int i) {
  const RibbonLook& look = kLooks[r];
  return ((i + look.squareShift) / look.squarePoints % 2) * look.squareHeight;
}

// How each mode sets the y of the drawn points; null keeps them as they
// stand. A code not in the table keeps them too.
struct ModeShape {
  int32_t code;
  double (*y)(int r, int i);
};
constexpr ModeShape kShapes[] = {
    {kRibbonHidden, nullptr},     {kRibbonTrail, nullptr},  {kRibbonWave, waveY},
    {kRibbonSpectrum, spectrumY}, {kRibbonSquare, squareY},
};

double (*shapeOf(int32_t mode))(int, int) {
  for (const ModeShape& shape : kShapes) {
    if (shape.code == mode) return shape.y;
  }
  return nullptr;
}

float jittered(float value) {
  return static_cast<float>(value + ((randomNext() % kJitterSteps) * kJitterStep - kJitterOrigin));
}

// Runs once per ribbon per frame, so the shared counter gains three frame
// times per frame and at most one ribbon step of 50 ms is taken off each run.
void historyStep(Ribbon& ribbon) {
  if (ribbon.mode != kRibbonTrail) return;
  ribbons.ribbonAccumMs += musicClock.frameDeltaMs;
  if (ribbons.ribbonAccumMs <= kTrailStepMs) return;
  for (int i = kRibbonPoints - 1; i >= 1; --i) {
    ribbon.x[i] = ribbon.x[i - 1];
    ribbon.y[i] = ribbon.y[i - 1];
    ribbon.z[i] = ribbon.z[i - 1];
  }
  ribbon.x[0] = jittered(ribbon.x[0]);
  ribbon.y[0] = jittered(ribbon.y[0]);
  ribbon.z[0] = jittered(ribbon.z[0]);
  ribbons.ribbonAccumMs -= kTrailStepMs;
}

void setColour(const Ribbon& ribbon) { gfxColor4f(ribbon.red, ribbon.green, ribbon.blue, 1.0f); }

void drawRibbon(int r) {
  Ribbon& ribbon = ribbons.ribbon[r];
  gfxBegin(GL_TRIANGLE_STRIP);
  if (r > 0) setColour(ribbon);
  if (ribbon.visible) {
    double (*shape)(int, int) = shapeOf(ribbon.mode);
    for (int i = 1; i < kRibbonPoints; ++i) {
      if (shape) ribbon.y[i] = static_cast<float>(shape(r, i));
      gfxVertex3f(ribbon.x[i], ribbon.y[i], ribbon.z[i]);
      gfxVertex3f(static_cast<float>(ribbon.x[i] - kEdgeShiftX),
                  static_cast<float>(ribbon.y[i] - kEdgeShiftY), ribbon.z[i]);
    }
  }
  gfxEnd();
}
}  // namespace

void initRibbons() {
  for (int r = 0; r < kRibbonCount; ++r) {
    Ribbon& ribbon = ribbons.ribbon[r];
    ribbon.mode = kRibbonSpectrum;
    for (int i = 0; i < kRibbonPoints; ++i) {
      ribbon.x[i] = static_cast<float>(kFirstX + kPointSpacing * i);
      ribbon.y[i] = static_cast<float>(kSwellHeight * std::sin(kSwellPerPoint * i));
      ribbon.z[i] = kStartZ;
    }
    ribbon.red = kLooks[r].red;
    ribbon.green = kLooks[r].green;
    ribbon.blue = kLooks[r].blue;
  }
}

void setRibbonMode(int32_t mode) {
  for (Ribbon& ribbon : ribbons.ribbon) {
    ribbon.mode = mode;
    ribbon.visible = mode != kRibbonHidden ? 1 : 0;
  }
}

void drawRibbons() {
  for (Ribbon& ribbon : ribbons.ribbon) historyStep(ribbon);
  setColour(ribbons.ribbon[0]);
  gfxPolygonMode(GL_FRONT, GL_FILL);
  gfxPolygonMode(GL_BACK, GL_FILL);
  for (int r = 0; r < kRibbonCount; ++r) drawRibbon(r);
  gfxFlush();
}
