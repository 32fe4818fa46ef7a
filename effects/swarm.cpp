#include "effects/swarm.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "assets/textures.h"
#include "effects/random.h"
#include "gfx/gfx.h"
#include "music/clock.h"

SwarmState swarm;

void resetSwarm() { swarm = SwarmState{}; }

namespace {
// The shell's largest distance from the origin of the stored positions.
constexpr double kShellRadius = 50.0;

// Every sprite is drawn this far along -z from its stored position.
constexpr double kDrawDepth = 5.0;

// Half the side of a sprite's square: the squares are 0.1 units wide.
constexpr double kHalfSide = 0.05;

// A flying sprite covers one unit per this many ms of music time.
constexpr double kMsPerUnit = 15.0;

// Respawn grid: x and y on kRespawnSteps steps of kRespawnStep from -1,
// z on kDepthSteps steps of kDepthStep from kNearestRespawn: 100 to 299.8.
constexpr int kRespawnSteps = 20;
constexpr double kRespawnStep = 0.1;
constexpr double kRespawnOrigin = -1.0;
constexpr int kDepthSteps = 1000;
constexpr double kDepthStep = 0.2;
constexpr double kNearestRespawn = 100.0;

// The corners of a square in strip order: texture coordinates (s, t) and the
// direction of the corner from the centre in units of kHalfSide. t = 1 on the
// upper corners shows the picture upright.
struct Corner {
  double s, t;
  double dx, dy;
};
constexpr Corner kCorners[] = {
    {1, 1, +1, +1},
    {1, 0, +1, -1},
    {0, 1, -1, +1},
    {0, 0, -1, -1},
};

// An angle from 0 to 2 pi inclusive, from one draw.
double randomAngle() { return 2.0 * std::numbers::pi * randomNext() / kRandomMax; }

// One step of kRespawnSteps (or kDepthSteps) chosen by one draw.
double respawnCoordinate(int steps, double step, double origin) {
  return (randomNext() % steps) * step + origin;
}

void placeOnShell(Sprite& sprite) {
  const double a = randomAngle();
  const double b = randomAngle();
  // sin(a) enters squared: the shell bulges inwards between the poles and
  // the equator, between 50 * sqrt(3) / 2 and 50 from the origin.
  const double sinA = std::sin(a);
  sprite.x = static_cast<float>(kShellRadius * sinA * sinA * std::sin(b));
  sprite.y = static_cast<float>(kShellRadius * std::cos(a));
  sprite.z = static_cast<float>(kShellRadius * sinA * sinA * std::cos(b));
}

void drawSprite(const Sprite& sprite) {
  const float cz = static_cast<float>(sprite.z - kDrawDepth);
  gfxBegin(GL_TRIANGLE_STRIP);
  for (const Corner& corner : kCorners) {
    gfxTexCoord2d(corner.s, corner.t);
    gfxVertex3f(static_cast<float>(sprite.x + corner.dx * kHalfSide),
                static_cast<float>(sprite.y + corner.dy * kHalfSide), cz);
  }
  gfxEnd();
}

void fly(Sprite& sprite) {
  sprite.z = static_cast<float>(sprite.z - static_cast<double>(musicClock.frameDeltaMs) / kMsPerUnit);
}

// Draws rx, ry, rz in that order.
void respawn(Sprite& sprite) {
  sprite.x = static_cast<float>(respawnCoordinate(kRespawnSteps, kRespawnStep, kRespawnOrigin));
  sprite.y = static_cast<float>(respawnCoordinate(kRespawnSteps, kRespawnStep, kRespawnOrigin));
  sprite.z = static_cast<float>(respawnCoordinate(kDepthSteps, kDepthStep, kNearestRespawn));
  sprite.visible = 1;
  sprite.state = kSpriteFlight;
}

void rest(Sprite&) {}

// What each state code does to a sprite after it is drawn; a code not in the
// table leaves the sprite as it is.
struct StateStep {
  int32_t code;
  void (*advance)(Sprite& sprite);
};
constexpr StateStep kStateSteps[] = {
    {kSpriteFlight, fly},
    {kSpriteRespawn, respawn},
    {kSpriteRest, rest},
};

void advance(Sprite& sprite) {
  for (const StateStep& step : kStateSteps) {
    if (step.code == sprite.state) {
      step.advance(sprite);
      return;
    }
  }
}
}  // namespace

void initSwarm() {
  for (int i = 0; i < kSwarmSize; ++i) {
    Sprite& sprite = swarm.sprites[i];
    sprite.visible = i < kSwarmHalf ? 1 : 0;
    sprite.state = kSpriteRest;
    placeOnShell(sprite);
  }
}

void setSwarmState(int32_t code) {
  for (int i = kSwarmHalf; i < kSwarmSize; ++i) swarm.sprites[i].state = code;
}

void drawSwarm() {
  gfxEnable(GL_TEXTURE_2D);
  gfxBindTexture(GL_TEXTURE_2D, textureId(kSlotParticle));
  for (Sprite& sprite : swarm.sprites) {
    if (sprite.visible) drawSprite(sprite);
    advance(sprite);
  }
}
