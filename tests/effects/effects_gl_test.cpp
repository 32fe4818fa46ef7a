// The swarm and the ribbons drawn on a real GL context (Mesa's software
// renderer, no display), in the effect space the director sets up: the
// show's projection, pushed five units into the screen.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/window.h"
#include "assets/textures.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "music/clock.h"
#include "tests/support/headless_gl.h"

namespace {
constexpr int kWidth = kWindowWidth;
constexpr int kHeight = kWindowHeight;

struct Colour {
  int r, g, b;
};

bool near(Rgba p, Colour c) {
  return std::abs(p.r - c.r) <= 1 && std::abs(p.g - c.g) <= 1 && std::abs(p.b - c.b) <= 1;
}

class EffectsGlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    resizeScene(kWidth, kHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -5);  // the effect space, before any spin
    glColor4f(1, 1, 1, 1);
    musicClock.frameDeltaMs = 0;
    musicClock.musicTimeMs = 0;
  }
  void TearDown() override { textureSlots[kSlotParticle].id = 0; }

  // Where a point of the effect space lands: pixel column and row counted
  // from the top; false when it lies behind the eye or off the image.
  bool project(double x, double y, double z, int* column, int* row) const {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx, wy, wz;
    if (!gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz)) return false;
    if (wz <= 0.0 || wz >= 1.0) return false;
    *column = static_cast<int>(std::floor(wx));
    *row = kHeight - 1 - static_cast<int>(std::floor(wy));
    return *column >= 2 && *column < kWidth - 2 && *row >= 2 && *row < kHeight - 2;
  }

  // Whether any pixel within two of (column, row) has the colour.
  bool colourNear(int column, int row, Colour c) const {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (near(gl.pixel(column + dx, row + dy), c)) return true;
    return false;
  }

  // A one-colour texture. Nearest texels: with linear filtering GL_CLAMP
  // blends in the black border at the edges of squares this small.
  GLuint makeTexture(uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t texels[2][2][3] = {{{r, g, b}, {r, g, b}}, {{r, g, b}, {r, g, b}}};
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    return id;
  }

  HeadlessGl gl{kWidth, kHeight};
};

TEST_F(EffectsGlTest, SquareWaveRibbonsShowTheirColoursAtTheirHeights) {
  resetRibbons();
  initRibbons();
  setRibbonMode(kRibbonSquare);
  glDisable(GL_TEXTURE_2D);
  drawRibbons();

  const Colour black{0, 0, 0};
  const Colour magenta{225, 100, 225};  // ribbon 0
  const Colour blue{100, 100, 225};     // ribbon 1
  const Colour green{100, 255, 100};    // ribbon 2
  // At point 12 ribbon 0 is high (0.1), ribbon 1 low (0), ribbon 2 high
  // (0.3); at point 35 only ribbon 0 is high, so nothing reaches 0.2 or 0.3.
  struct Probe {
    int point;
    double level;
    Colour colour;
  };
  const Probe probes[] = {
      {12, 0.3, green}, {12, 0.1, magenta}, {12, 0.0, blue},
      {35, 0.3, black}, {35, 0.2, black},   {35, 0.1, magenta},
  };
  for (const Probe& p : probes) {
    // The middle of the band, half its 0.005 lean and 0.01 height down.
    const double x = ribbons.ribbon[0].x[p.point] - 0.0025;
    int column = 0, row = 0;
    ASSERT_TRUE(project(x, p.level - 0.005, -5.0, &column, &row));
    EXPECT_TRUE(colourNear(column, row, p.colour))
        << "point " << p.point << " level " << p.level << " at " << column << "," << row;
  }
  if (HasFailure()) gl.savePng("ribbons_square.png");
}

TEST_F(EffectsGlTest, TheLowerHalfOfTheSwarmAppearsInSlotZerosPicture) {
  textureSlots[kSlotParticle].id = makeTexture(255, 128, 0);
  initSwarm();
  drawSwarm();

  int seen = 0;
  for (int i = 0; i < kSwarmHalf; ++i) {
    const Sprite& s = swarm.sprites[i];
    // Only sprites well in front of the eye: effect-space z - 5 - 5 < -1.
    if (s.z - 10.0 > -1.0) continue;
    int column = 0, row = 0;
    if (!project(s.x, s.y, s.z - 5.0, &column, &row)) continue;
    ++seen;
    EXPECT_TRUE(near(gl.pixel(column, row), Colour{255, 128, 0}))
        << "sprite " << i << " at " << column << "," << row;
  }
  // The view cone takes in about a twelfth of the shell, some twenty sprites.
  EXPECT_GT(seen, 5);
  if (HasFailure()) gl.savePng("swarm_lower_half.png");
}

}  // namespace
