// The sprite swarm through its own interface: what drawSwarm emits (recorded)
// and where it leaves the sprites.
#include "effects/swarm.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "assets/textures.h"
#include "effects/random.h"
#include "gfx/gfx_recorder.h"
#include "music/clock.h"

namespace {
constexpr GLuint kSpriteTexture = 41;

// The generator's state after n more draws from the given state.
uint32_t stateAfterDraws(uint32_t state, int n) {
  const uint32_t saved = randomGenerator.state;
  randomGenerator.state = state;
  for (int k = 0; k < n; ++k) randomNext();
  const uint32_t after = randomGenerator.state;
  randomGenerator.state = saved;
  return after;
}

// Index of v on the grid origin + k * step, or -1 when it is not on it.
int gridIndex(float v, double origin, double step) {
  const double k = std::round((v - origin) / step);
  return std::fabs(origin + k * step - v) < 1e-4 ? static_cast<int>(k) : -1;
}

class SwarmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    textureSlots[kSlotParticle].id = kSpriteTexture;
    musicClock.frameDeltaMs = 0;
    initSwarm();
  }
  void TearDown() override {
    textureSlots[kSlotParticle].id = 0;
    musicClock.frameDeltaMs = 0;
  }
  // One frame's drawSwarm, recorded.
  std::vector<GfxStrip> drawFrame() {
    recorder.clear();
    drawSwarm();
    return recorder.strips();
  }
  GfxRecorder recorder;
};

TEST_F(SwarmTest, InitPlacesTheLowerHalfOnTheShellAndHidesTheUpperHalf) {
  const uint32_t before = randomGenerator.state;
  initSwarm();
  EXPECT_EQ(randomGenerator.state, stateAfterDraws(before, 1024));
  const double inner = 50.0 * std::sqrt(3.0) / 2.0;
  double nearest = 50.0;
  for (int i = 0; i < kSwarmSize; ++i) {
    const Sprite& s = swarm.sprites[i];
    EXPECT_EQ(s.state, kSpriteRest) << i;
    EXPECT_EQ(s.visible, i < kSwarmHalf ? 1 : 0) << i;
    const double d = std::sqrt(double(s.x) * s.x + double(s.y) * s.y + double(s.z) * s.z);
    EXPECT_LE(d, 50.0 + 1e-4) << i;
    EXPECT_GE(d, inner - 1e-4) << i;
    // y = 50 cos(a) fixes the distance of the surface of revolution:
    // 50 sqrt(sin^4(a) + cos^2(a)).
    const double c = s.y / 50.0;
    EXPECT_NEAR(d, 50.0 * std::sqrt((1 - c * c) * (1 - c * c) + c * c), 1e-3) << i;
    nearest = std::min(nearest, d);
  }
  // Half of all angles a lie within pi / 8 of an odd multiple of pi / 4,
  // where the shell is nearer than 46.8: it bulges in, unlike a sphere.
  EXPECT_LT(nearest, 46.8);
}

// Each sprite takes two draws in turn: the first fixes its height on the
// shell (the angle from the +y axis), the second its direction around the y
// axis, measured from +z towards +x.
TEST_F(SwarmTest, TheFirstDrawSetsTheHeightAndTheSecondTheTurnAroundTheVerticalAxis) {
  const uint32_t before = randomGenerator.state;
  initSwarm();
  randomGenerator.state = before;
  constexpr double kTwoPi = 6.283185307179586;
  int turnsChecked = 0;
  for (int i = 0; i < kSwarmSize; ++i) {
    const double a = kTwoPi * randomNext() / 32767.0;
    const double b = kTwoPi * randomNext() / 32767.0;
    const Sprite& s = swarm.sprites[i];
    EXPECT_NEAR(s.y, 50.0 * std::cos(a), 1e-4) << i;
    const double ring = 50.0 * std::sin(a) * std::sin(a);
    EXPECT_NEAR(std::hypot(s.x, s.z), ring, 1e-3) << i;
    // Near the poles the ring is too small to tell a direction.
    if (ring < 1.0) continue;
    const double turn = std::atan2(s.x, s.z);
    EXPECT_NEAR(std::remainder(turn - b, kTwoPi), 0.0, 1e-4) << i;
    ++turnsChecked;
  }
  EXPECT_GT(turnsChecked, kSwarmSize / 2);
}

TEST_F(SwarmTest, EachVisibleSpriteIsOneSquareAroundItsPositionPushedFiveUnitsBack) {
  const auto strips = drawFrame();
  ASSERT_EQ(strips.size(), static_cast<size_t>(kSwarmHalf));
  ASSERT_GE(recorder.calls().size(), 2u);
  EXPECT_EQ(recorder.calls()[0].kind, GfxCall::Enable);
  EXPECT_EQ(recorder.calls()[0].e0, static_cast<unsigned>(GL_TEXTURE_2D));
  EXPECT_EQ(recorder.calls()[1].kind, GfxCall::BindTexture);
  // Corners in strip order: texture coordinates and side of the centre.
  const double corners[4][4] = {{1, 1, +1, +1}, {1, 0, +1, -1}, {0, 1, -1, +1}, {0, 0, -1, -1}};
  for (int i = 0; i < kSwarmHalf; ++i) {
    const GfxStrip& strip = strips[i];
    EXPECT_EQ(strip.mode, static_cast<unsigned>(GL_TRIANGLE_STRIP));
    EXPECT_EQ(strip.texture, kSpriteTexture);
    ASSERT_EQ(strip.vertices.size(), 4u);
    for (int c = 0; c < 4; ++c) {
      const auto& v = strip.vertices[c];
      EXPECT_EQ(v.s, corners[c][0]);
      EXPECT_EQ(v.t, corners[c][1]);
      EXPECT_NEAR(v.x, swarm.sprites[i].x + corners[c][2] * 0.05, 1e-5) << i;
      EXPECT_NEAR(v.y, swarm.sprites[i].y + corners[c][3] * 0.05, 1e-5) << i;
      EXPECT_EQ(v.z, static_cast<float>(swarm.sprites[i].z - 5.0)) << i;
    }
  }
}

TEST_F(SwarmTest, WithoutAPictureInSlotZeroTheSquaresAreStillDrawn) {
  textureSlots[kSlotParticle].id = 0;
  const auto strips = drawFrame();
  ASSERT_EQ(strips.size(), static_cast<size_t>(kSwarmHalf));
  for (const GfxStrip& strip : strips) {
    EXPECT_EQ(strip.texture, 0u);
    EXPECT_EQ(strip.vertices.size(), 4u);
  }
}

TEST_F(SwarmTest, RespawnShowsTheUpperHalfOneFrameLaterFarOutAlongZ) {
  setSwarmState(kSpriteRespawn);
  const uint32_t before = randomGenerator.state;
  EXPECT_EQ(drawFrame().size(), static_cast<size_t>(kSwarmHalf));
  EXPECT_EQ(randomGenerator.state, stateAfterDraws(before, 3 * kSwarmHalf));

  // Each sprite took rx, ry, rz in turn: x and y on the grid -1, -0.9, ...,
  // 0.9 and z on 100, 100.2, ..., 299.8, picked by those draws.
  randomGenerator.state = before;
  for (int i = kSwarmHalf; i < kSwarmSize; ++i) {
    const Sprite& s = swarm.sprites[i];
    EXPECT_EQ(s.visible, 1);
    EXPECT_EQ(s.state, kSpriteFlight);
    EXPECT_EQ(gridIndex(s.x, -1.0, 0.1), randomNext() % 20) << i;
    EXPECT_EQ(gridIndex(s.y, -1.0, 0.1), randomNext() % 20) << i;
    EXPECT_EQ(gridIndex(s.z, 100.0, 0.2), randomNext() % 1000) << i;
  }

  const auto strips = drawFrame();
  ASSERT_EQ(strips.size(), static_cast<size_t>(kSwarmSize));
  for (int i = kSwarmHalf; i < kSwarmSize; ++i) {
    const double z = strips[i].vertices[0].z;
    EXPECT_GE(z, 100.0 - 5.0);
    EXPECT_LE(z, 299.8 - 5.0 + 1e-4);
  }
}

TEST_F(SwarmTest, TwoRespawnCuesInOneFrameRespawnOnce) {
  setSwarmState(kSpriteRespawn);
  setSwarmState(kSpriteRespawn);
  const uint32_t before = randomGenerator.state;
  drawFrame();
  EXPECT_EQ(randomGenerator.state, stateAfterDraws(before, 3 * kSwarmHalf));
  const uint32_t afterRespawn = randomGenerator.state;
  drawFrame();
  EXPECT_EQ(randomGenerator.state, afterRespawn);
}

TEST_F(SwarmTest, TheStateCodeReachesOnlyTheUpperHalfAndUnknownCodesHoldStill) {
  Sprite lower[kSwarmHalf];
  std::copy(swarm.sprites, swarm.sprites + kSwarmHalf, lower);
  musicClock.frameDeltaMs = 30;
  setSwarmState(kSpriteRespawn);
  drawFrame();
  const float z = swarm.sprites[400].z;
  setSwarmState(123);
  drawFrame();
  EXPECT_EQ(swarm.sprites[400].z, z);
  EXPECT_EQ(swarm.sprites[400].visible, 1);
  for (int i = 0; i < kSwarmHalf; ++i) {
    EXPECT_EQ(swarm.sprites[i].state, kSpriteRest);
    EXPECT_EQ(swarm.sprites[i].x, lower[i].x);
    EXPECT_EQ(swarm.sprites[i].y, lower[i].y);
    EXPECT_EQ(swarm.sprites[i].z, lower[i].z);
  }
}

TEST_F(SwarmTest, FlightFollowsTheFrameDeltaAndIsDrawnTheFrameAfter) {
  setSwarmState(kSpriteRespawn);
  drawFrame();
  const float start = swarm.sprites[300].z;

  musicClock.frameDeltaMs = 30;  // two units along -z
  auto strips = drawFrame();
  EXPECT_EQ(strips[300].vertices[0].z, static_cast<float>(start - 5.0));
  EXPECT_FLOAT_EQ(swarm.sprites[300].z, start - 2.0f);

  musicClock.frameDeltaMs = 0;
  strips = drawFrame();
  EXPECT_EQ(strips[300].vertices[0].z, static_cast<float>(start - 2.0f - 5.0));
  EXPECT_FLOAT_EQ(swarm.sprites[300].z, start - 2.0f);

  musicClock.frameDeltaMs = -15;  // one unit back along +z
  drawFrame();
  EXPECT_FLOAT_EQ(swarm.sprites[300].z, start - 1.0f);

  musicClock.frameDeltaMs = 16;  // not a whole unit: 16 / 15
  drawFrame();
  EXPECT_NEAR(swarm.sprites[300].z, start - 1.0 - 16.0 / 15.0, 1e-4);
}

TEST_F(SwarmTest, ANewInitHidesTheFlyingHalfAgain) {
  setSwarmState(kSpriteRespawn);
  drawFrame();
  initSwarm();
  EXPECT_EQ(drawFrame().size(), static_cast<size_t>(kSwarmHalf));
  for (int i = kSwarmHalf; i < kSwarmSize; ++i) {
    EXPECT_EQ(swarm.sprites[i].visible, 0);
    EXPECT_EQ(swarm.sprites[i].state, kSpriteRest);
  }
}
}  // namespace
