#include "timeline/director.h"

#include <cmath>
#include <cstdint>

#include "assets/textures.h"
#include "effects/mesh.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "timeline/cues.h"
#include "timeline/moments.h"

DirectorState director;

void resetDirector() { director = DirectorState{}; }

namespace {
// Milliseconds of yaw per degree, negated: the single-precision value nearest
// to -100/3, so that a 6-second window turns the scene half round.
constexpr float kYawMsPerDegree = -33.333332f;

constexpr int32_t kSecondCardSlot = kSlotFlashCard;
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
  for (const Turn& turn : playedMoments().turns) {
    if (t > turn.lo && t <= turn.hi) {
      director.cameraYawMs += turn.direction * d;
      if (turn.widensWall) director.wideWall = 1;
    }
  }
  const float angle = static_cast<float>(director.cameraYawMs - kCameraYawRestMs) / kYawMsPerDegree;
  gfxRotatef(angle, 0.0f, 1.0f, 0.0f);
}

void drawTitleCard(int32_t t) {
  for (const Title& title : playedMoments().titles) {
    if (t > title.lo && t <= title.hi) {
      gfxBindTexture(GL_TEXTURE_2D, textureId(title.slot));
      drawQuad(kTitleCard, false, 0.0f);
    }
  }
}

void drawSmallCard(Card card, int32_t t) {
  const float angle = card == Card::Wobbling
                          ? static_cast<float>(kCardWobbleDegrees *
                                               std::sin(t / kCardWobbleMsPerRadian))
                          : 0.0f;
  gfxBindTexture(GL_TEXTURE_2D, textureId(director.cardSlot));
  gfxTranslatef(director.cardOffsetX, 0.0f, 0.0f);
  gfxRotatef(angle, 0.0f, 0.0f, 1.0f);
  drawQuad(kSmallCard, false, 0.0f);
  gfxRotatef(-angle, 0.0f, 0.0f, 1.0f);
  gfxTranslatef(-director.cardOffsetX, 0.0f, 0.0f);
}
}  // namespace

int runTimeline() {
  const int32_t t = musicClock.musicTimeMs;
  const int32_t d = musicClock.frameDeltaMs;

  turnCamera(t, d);
  drawTitleCard(t);

  const int index = sceneAt(t);
  const Scene& scene = playedMoments().scenes[index];
  if (scene.enablesBlend) gfxEnable(GL_BLEND);
  if (scene.cardSlide != 0)
    director.cardOffsetX += static_cast<float>(scene.cardSlide * d) / kCardSlideMsPerUnit;
  if (scene.switchesCard) director.cardSlot = kSecondCardSlot;
  if (scene.spins) {
    director.sceneSpinY += static_cast<float>(d) * kSpinYPer16Ms / 16;
    director.sceneSpinX += static_cast<float>(d) * kSpinXPer16Ms / 16;
  }
  if (!applyCues(index)) return 0;

  if (scene.card != Card::Hidden) drawSmallCard(scene.card, t);

  gfxBindTexture(GL_TEXTURE_2D, textureId(backdropOf(index)));
  gfxColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  drawQuad(kWall, true, director.wideWall ? kWideWallX : kNarrowWallX);

  gfxTranslatef(0.0f, 0.0f, director.sceneDepth);
  gfxRotatef(director.sceneSpinY, 0.0f, 1.0f, 0.0f);
  gfxRotatef(director.sceneSpinX, 1.0f, 0.0f, 0.0f);

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
