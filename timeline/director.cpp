#include "timeline/director.h"

#include <cmath>
#include <cstdint>

#include "assets/textures.h"
#include "effects/mesh.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "music/clock.h"
#include "platform/gfx.h"
#include "timeline/cues.h"

int32_t cameraYawMs = 5000;
int32_t wideWall = 0;
int32_t cardSlot = 9;
float cardOffsetX = 0.0f;
float sceneDepth = -5.0f;
float sceneSpinY = 0.0f;
float sceneSpinX = 0.0f;

namespace {
// The yaw accumulator's rest value: the camera looks straight ahead there.
constexpr int32_t kYawRestMs = 5000;
// Milliseconds of yaw per degree, negated: the single-precision value nearest
// to -100/3, so that a 6-second window turns the scene half round.
constexpr float kYawMsPerDegree = -33.333332f;

// A camera turn: while t lies in (lo, hi] every frame adds its delta times
// `sign` to the yaw; some turns also move the wall out for good.
struct YawWindow {
  int32_t lo, hi;
  int32_t sign;
  bool widensWall;
};
constexpr YawWindow kYawWindows[] = {
    {20000, 25999, +1, false},   {30000, 35999, -1, false},   {41000, 46999, +1, true},
    {51000, 56999, -1, false},   {110000, 112999, +1, true},  {123000, 125999, -1, false},
    {142000, 144999, +1, true},  {155000, 157999, -1, false},
};

struct TitleWindow {
  int32_t lo, hi;
  int32_t slot;
};
constexpr TitleWindow kTitleWindows[] = {
    {5000, 9999, 13}, {36000, 40999, 14}, {58000, 62999, 16}, {68000, 72999, 15}};

enum class Card { Hidden, Wobbling, Level };

// One window of the scene chain, (previous hi, hi]. The chain is walked in
// order and the first window whose upper bound reaches t is the frame's.
struct ChainWindow {
  int32_t hi;
  int32_t backdropSlot;
  Card card;
  int32_t cardSlide;  // +1 slides the card right, -1 left, by d / 500 units
  bool enablesBlend;
  bool switchesCard;  // the card shows its second picture from here on
  bool spins;         // the effect space spins (the finale)
};
// Windows 6 to 16 choose no backdrop of their own: the camera is at rest there
// and the wall lies outside the view, so they keep the one before (slot 8).
// The finale keeps slot 18 for the same reason.
constexpr ChainWindow kChain[] = {
    {25999, 3, Card::Hidden, 0, false, false, false},     // 1
    {35999, 6, Card::Hidden, 0, true, false, false},      // 2
    {40999, 7, Card::Wobbling, +1, false, false, false},  // 3
    {46999, 7, Card::Hidden, 0, false, false, false},     // 4
    {56999, 8, Card::Hidden, 0, false, false, false},     // 5
    {59999, 8, Card::Wobbling, -1, false, false, false},  // 6
    {62999, 8, Card::Level, 0, false, false, false},      // 7
    {64999, 8, Card::Wobbling, 0, false, false, false},   // 8
    {67999, 8, Card::Level, 0, false, false, false},      // 9
    {68999, 8, Card::Level, 0, false, false, false},      // 10
    {77999, 8, Card::Wobbling, 0, false, false, false},   // 11
    {79999, 8, Card::Level, 0, false, false, false},      // 12
    {82999, 8, Card::Level, 0, false, false, false},      // 13
    {90499, 8, Card::Level, 0, false, false, false},      // 14
    {90999, 8, Card::Level, 0, false, true, false},       // 15
    {108999, 8, Card::Hidden, 0, false, false, false},    // 16
    {122699, 17, Card::Hidden, 0, false, false, false},   // 17
    {131999, 17, Card::Hidden, 0, false, false, false},   // 18
    {141999, 18, Card::Hidden, 0, false, false, false},   // 19
    {154999, 18, Card::Hidden, 0, false, false, false},   // 20
    {158999, 18, Card::Hidden, 0, false, false, false},   // 21
    {195999, 18, Card::Hidden, 0, false, false, true},    // 22
    {INT32_MAX, 18, Card::Hidden, 0, false, false, false},  // 23: the show ends
};
static_assert(sizeof kChain / sizeof kChain[0] == kChainWindows);

constexpr int32_t kSecondCardSlot = 12;
// The card slides one unit per 500 ms of music.
constexpr float kCardSlideMsPerUnit = 500.0f;
// A wobbling card swings 3 degrees either way, one swing per 200 pi ms.
constexpr double kCardWobbleDegrees = 3.0;
constexpr double kCardWobbleMsPerRadian = 100.0;
// Degrees of finale spin per ms of music, as 0.2 and 0.4 per 16 ms.
constexpr float kSpinYPer16Ms = 0.2f;
constexpr float kSpinXPer16Ms = 0.4f;

constexpr float kNarrowWallX = -3.0f;
constexpr float kWideWallX = -5.0f;

// The three quads: four (s, t, x, y, z) vertices each, in strip order.
struct QuadVertex {
  double s, t;
  float x, y, z;
};
constexpr QuadVertex kTitleCard[4] = {
    {0, 1, -3, 2, -5}, {1, 1, 3, 2, -5}, {0, 0, -3, 1, -5}, {1, 0, 3, 1, -5}};
constexpr QuadVertex kSmallCard[4] = {{0, 1, -0.5f, 0.5f, -10},
                                      {0, 0, -0.5f, -0.5f, -10},
                                      {1, 1, 0.5f, 0.5f, -10},
                                      {1, 0, 0.5f, -0.5f, -10}};
// The wall's x comes from the frame; these hold its (s, t, y, z).
constexpr QuadVertex kWall[4] = {{0, 1, 0, 2, -2}, {0, 0, 0, -2, -2}, {1, 1, 0, 2, 1},
                                 {1, 0, 0, -2, 1}};

void drawQuad(const QuadVertex (&quad)[4], bool replaceX, float x) {
  gfxBegin(GL_TRIANGLE_STRIP);
  for (const QuadVertex& v : quad) {
    gfxTexCoord2d(v.s, v.t);
    gfxVertex3f(replaceX ? x : v.x, v.y, v.z);
  }
  gfxEnd();
}

void turnCamera(int32_t t, int32_t d) {
  for (const YawWindow& w : kYawWindows) {
    if (t > w.lo && t <= w.hi) {
      cameraYawMs += w.sign * d;
      if (w.widensWall) wideWall = 1;
    }
  }
  const float angle = static_cast<float>(cameraYawMs - kYawRestMs) / kYawMsPerDegree;
  gfxRotatef(angle, 0.0f, 1.0f, 0.0f);
}

void drawTitleCard(int32_t t) {
  for (const TitleWindow& w : kTitleWindows) {
    if (t > w.lo && t <= w.hi) {
      gfxBindTexture(GL_TEXTURE_2D, textureId(w.slot));
      drawQuad(kTitleCard, false, 0.0f);
    }
  }
}

int chainWindowOf(int32_t t) {
  int i = 0;
  while (i < kChainWindows - 1 && t > kChain[i].hi) ++i;
  return i;
}

void drawSmallCard(Card card, int32_t t) {
  const float angle = card == Card::Wobbling
                          ? static_cast<float>(kCardWobbleDegrees *
                                               std::sin(t / kCardWobbleMsPerRadian))
                          : 0.0f;
  gfxBindTexture(GL_TEXTURE_2D, textureId(cardSlot));
  gfxTranslatef(cardOffsetX, 0.0f, 0.0f);
  gfxRotatef(angle, 0.0f, 0.0f, 1.0f);
  drawQuad(kSmallCard, false, 0.0f);
  gfxRotatef(-angle, 0.0f, 0.0f, 1.0f);
  gfxTranslatef(-cardOffsetX, 0.0f, 0.0f);
}
}  // namespace

int chainWindowAt(int32_t t) { return chainWindowOf(t) + 1; }

int32_t showEndMs() { return kChain[kChainWindows - 2].hi + 1; }

int runTimeline() {
  const int32_t t = musicTimeMs;
  const int32_t d = frameDeltaMs;

  turnCamera(t, d);
  drawTitleCard(t);

  const int index = chainWindowOf(t);
  const ChainWindow& window = kChain[index];
  if (window.enablesBlend) gfxEnable(GL_BLEND);
  if (window.cardSlide != 0)
    cardOffsetX += static_cast<float>(window.cardSlide * d) / kCardSlideMsPerUnit;
  if (window.switchesCard) cardSlot = kSecondCardSlot;
  if (window.spins) {
    sceneSpinY += static_cast<float>(d) * kSpinYPer16Ms / 16;
    sceneSpinX += static_cast<float>(d) * kSpinXPer16Ms / 16;
  }
  if (!applyCues(index + 1)) return 0;

  if (window.card != Card::Hidden) drawSmallCard(window.card, t);

  gfxBindTexture(GL_TEXTURE_2D, textureId(window.backdropSlot));
  gfxColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  drawQuad(kWall, true, wideWall ? kWideWallX : kNarrowWallX);

  gfxTranslatef(0.0f, 0.0f, sceneDepth);
  gfxRotatef(sceneSpinY, 0.0f, 1.0f, 0.0f);
  gfxRotatef(sceneSpinX, 1.0f, 0.0f, 0.0f);

  drawSwarm();
  drawMesh();
  gfxDisable(GL_TEXTURE_2D);
  drawRibbons();
  return 1;
}

int renderFrame() {
  if (!beginFrame()) return 0;
  return runTimeline();
}
