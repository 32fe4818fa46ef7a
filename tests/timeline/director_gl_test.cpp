// The director's quads on real GL (Mesa's software renderer): the title card,
// the small card and the wall land where a viewer would see them.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "app/window.h"
#include "tests/support/headless_gl.h"
#include "tests/timeline/director_fixture.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  const uint8_t pixel[4] = {r, g, b, 255};
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  return name;
}

// Screen position of a normalised device coordinate, y up, in the image.
int column(double ndcX) { return static_cast<int>((ndcX + 1) / 2 * kWidth); }
int row(double ndcY) { return static_cast<int>((1 - ndcY) / 2 * kHeight); }

bool is(Rgba p, uint8_t r, uint8_t g, uint8_t b) {
  return std::abs(p.r - r) < 8 && std::abs(p.g - g) < 8 && std::abs(p.b - b) < 8;
}

class DirectorGlTest : public DirectorFixture {
 protected:
  void SetUp() override {
    DirectorFixture::SetUp();
    ASSERT_TRUE(gl.ok());
    gfx = &gfxDirect;
    resizeScene(kWidth, kHeight);
    glEnable(GL_DEPTH_TEST);
    for (int s = 0; s < kSlotEmpty; ++s) textureSlots[s].id = solidTexture(40, 40, 40);
    textureSlots[kSlotTitleBanner].id = solidTexture(255, 0, 0);
    textureSlots[kSlotCodeBanner].id = solidTexture(255, 255, 0);
    textureSlots[kSlotEmblemCard].id = solidTexture(0, 255, 0);
    textureSlots[kSlotRingWall].id = solidTexture(0, 0, 255);
  }

  void drawAt(int32_t t) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glLoadIdentity();
    musicClock.musicTimeMs = t;
    musicClock.frameDeltaMs = 0;
    runTimeline();
  }

  HeadlessGl gl{kWidth, kHeight};
};

// Where the title card and the card at x = 4 (its rest after sliding) fall
// with the 45-degree projection at 16:9.
constexpr double kTitleNdcY = 0.72;
constexpr double kCardNdcX = 4.0 / (10 * 0.41421356 * 16 / 9);

TEST_F(DirectorGlTest, TitleAndSmallCardShowInTheirRegions) {
  director.cardOffsetX = 4.0f;
  drawAt(middleMs(Moment::CodeCredits));  // with the credits' small card
  EXPECT_TRUE(is(gl.pixel(column(0), row(kTitleNdcY)), 255, 255, 0));
  EXPECT_TRUE(is(gl.pixel(column(-0.6), row(kTitleNdcY)), 255, 255, 0));
  EXPECT_TRUE(is(gl.pixel(column(kCardNdcX), row(0)), 0, 255, 0));
  EXPECT_FALSE(is(gl.pixel(column(0), row(-0.72)), 255, 255, 0));  // nothing of it below
}

TEST_F(DirectorGlTest, FirstTitleAppearsJustAfterItsBound) {
  drawAt(momentWindow(Moment::ShowTitle).lo);
  EXPECT_FALSE(is(gl.pixel(column(0), row(kTitleNdcY)), 255, 0, 0));
  drawAt(firstMs(Moment::ShowTitle));
  EXPECT_TRUE(is(gl.pixel(column(0), row(kTitleNdcY)), 255, 0, 0));
}

TEST_F(DirectorGlTest, WallStandsFurtherOutOnceLatched) {
  // Turned a quarter round, the wall faces the camera: at x = -3 it fills the
  // upper left, at x = -5 it stands further away and leaves that spot free.
  director.cameraYawMs = 8000;
  const int x = column(-0.36);
  const int y = row(0.9);
  const int32_t t = middleMs(Moment::SecondDrop);
  drawAt(t);
  EXPECT_TRUE(is(gl.pixel(x, y), 0, 0, 255));
  director.wideWall = 1;
  drawAt(t);
  EXPECT_FALSE(is(gl.pixel(x, y), 0, 0, 255));
  EXPECT_TRUE(is(gl.pixel(column(0.4), row(0.8)), 0, 0, 255));
}
}  // namespace
