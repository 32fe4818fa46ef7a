// Mesh frames drawn by Mesa's software renderer without a display: the
// textured sphere and cube fill the middle of the view, the satellite shows
// on its orbit, and the modelview comes back as it was.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/window.h"
#include "tests/effects/mesh_state.h"
#include "tests/support/headless_gl.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

// A 2 x 2 texture of one colour.
GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t texels[4 * 3] = {r, g, b, r, g, b, r, g, b, r, g, b};
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return name;
}

bool isColour(Rgba p, uint8_t r, uint8_t g, uint8_t b) { return p.r == r && p.g == g && p.b == b; }

// One context for the whole test program, never destroyed: tearing it down
// unloads Mesa's driver, and the driver's own process-lifetime allocations
// then show up as leaks from an unknown module that no suppression can name.
HeadlessGl& context() {
  static HeadlessGl* gl = new HeadlessGl(kWidth, kHeight);
  return *gl;
}

class MeshGlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.ok());
    resetMeshState();
    resizeScene(kWidth, kHeight);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    textureSlots[kSlotGlobe].id = solidTexture(255, 0, 0);
    textureSlots[kSlotMoonSkin].id = solidTexture(0, 0, 255);
    textureSlots[kSlotPanelCube].id = solidTexture(0, 255, 0);
    textureSlots[kSlotEmberSkin].id = solidTexture(255, 255, 0);
  }
  // A failing frame is kept as a picture in the test's scratch folder.
  void TearDown() override {
    if (!HasFailure()) return;
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    gl.savePng((name + ".png").c_str());
  }

  // One frame as the director draws it: cleared, white, textured, the effect
  // space 5 units into the screen.
  void frame(int32_t timeMs, int32_t code) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    musicClock.frameDeltaMs = timeMs - musicClock.musicTimeMs;
    musicClock.musicTimeMs = timeMs;
    setMeshMode(code);
    drawMesh();
  }

  HeadlessGl& gl = context();
};

TEST_F(MeshGlTest, TheWholeSphereShowsItsTextureAtTheCentre) {
  frame(10000, kMeshSphere);
  EXPECT_TRUE(isColour(gl.pixel(kWidth / 2, kHeight / 2), 255, 0, 0));
  EXPECT_TRUE(isColour(gl.pixel(kWidth / 2, 10), 0, 0, 0)) << "above the unit sphere";
  EXPECT_TRUE(isColour(gl.pixel(5, kHeight / 2), 0, 0, 0));
}

TEST_F(MeshGlTest, TheCubeShowsItsOwnTextureAndReachesFurther) {
  // The spin is a whole turn at 36000 ms, so the cube shows a face squarely;
  // its corner region lies outside the sphere's outline.
  frame(36000, kMeshCube);
  EXPECT_TRUE(isColour(gl.pixel(kWidth / 2, kHeight / 2), 0, 255, 0));
  // (0.9, 0.9) on the front face at z = +1: in view 4 units away.
  const double half = std::tan(M_PI / 8);
  const int x = static_cast<int>(kWidth / 2 * (1 + 0.9 / 4 / (half * kWidth / kHeight)));
  const int y = static_cast<int>(kHeight / 2 * (1 - 0.9 / 4 / half));
  EXPECT_TRUE(isColour(gl.pixel(x, y), 0, 255, 0));
}

TEST_F(MeshGlTest, TheRevealShowsOnlyItsScanStripAtFirst) {
  frame(63, kMeshReveal);  // the scan strip joins rows 63 and 64, at the equator
  int lit = 0;
  for (int y = 0; y < kHeight; ++y) lit += isColour(gl.pixel(kWidth / 2, y), 255, 0, 0);
  EXPECT_GT(lit, 0);
  EXPECT_LT(lit, 6) << "one thin strip";
}

TEST_F(MeshGlTest, TheSatelliteShowsOnItsOrbit) {
  // At 25000 ms the orbit angle is 180 - 900 = -720 degrees: the satellite
  // sits at x = +3 beside the mesh.
  frame(25000, kMeshSphere);
  const double half = std::tan(M_PI / 8);
  const int x = static_cast<int>(kWidth / 2 * (1 + 3.0 / 5 / (half * kWidth / kHeight)));
  EXPECT_TRUE(isColour(gl.pixel(x, kHeight / 2), 0, 0, 255));
  EXPECT_TRUE(isColour(gl.pixel(kWidth - 1 - x, kHeight / 2), 0, 0, 0));
}

TEST_F(MeshGlTest, TheModelviewComesBackAsItWas) {
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -5.0f);
  float before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  musicClock.musicTimeMs = 123457;
  setMeshMode(kMeshSatelliteBounce);
  drawMesh();
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(after[i], before[i], 1e-4f) << i;
}
}  // namespace
