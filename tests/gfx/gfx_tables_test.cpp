// The tables generated from the one list of calls: each call of the direct
// table reaches GL with its own arguments, the state-only table makes exactly
// the calls whose effect outlives a frame, the recorder files every call
// under its kind with its arguments in order, and the wrappers keep the
// capabilities a frame leaves switched on, which can be put back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/gfx.h"
#include "gfx/gfx_recorder.h"
#include "tests/support/headless_gl.h"

namespace {
HeadlessGl& context() {
  static HeadlessGl gl(64, 36);
  return gl;
}

struct GlState {
  GLfloat colour[4];
  GLboolean blend, texturing;
  GLint texture;
  GLint polygonMode[2];
  GLfloat modelview[16];
};

GlState glState() {
  GlState s{};
  glGetFloatv(GL_CURRENT_COLOR, s.colour);
  s.blend = glIsEnabled(GL_BLEND);
  s.texturing = glIsEnabled(GL_TEXTURE_2D);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
  glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
  glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
  return s;
}

// GL back at its defaults, with a texture name to bind.
GLuint freshState() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4f(1, 1, 1, 1);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  static GLuint texture = 0;
  if (!texture) glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

// One call of every kind that changes state, through the table in use.
void changeEverything(GLuint texture) {
  gfxColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  gfxEnable(GL_BLEND);
  gfxEnable(GL_TEXTURE_2D);
  gfxDisable(GL_TEXTURE_2D);
  gfxBindTexture(GL_TEXTURE_2D, texture);
  gfxPolygonMode(GL_FRONT, GL_LINE);
  gfxTranslatef(1.0f, 2.0f, 3.0f);
  gfxRotatef(30.0f, 0.0f, 1.0f, 0.0f);
}

bool isIdentity(const GLfloat* m) {
  for (int i = 0; i < 16; ++i) {
    if (m[i] != (i % 5 == 0 ? 1.0f : 0.0f)) return false;
  }
  return true;
}

class GfxTables : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(context().ok()); }
  void TearDown() override {
    gfx = &gfxDirect;
    resetGfxState();
  }
};

TEST_F(GfxTables, TheDirectTableMakesEveryCallOnGl) {
  const GLuint texture = freshState();
  gfx = &gfxDirect;
  changeEverything(texture);
  const GlState s = glState();
  EXPECT_EQ(s.colour[0], 0.25f);
  EXPECT_EQ(s.colour[1], 0.5f);
  EXPECT_EQ(s.colour[2], 0.75f);
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.texturing) << "the disable after the enable is lost";
  EXPECT_EQ(s.texture, static_cast<GLint>(texture));
  EXPECT_EQ(s.polygonMode[0], GL_LINE);
  EXPECT_EQ(s.polygonMode[1], GL_FILL) << "the back face's mode was never asked for";
  EXPECT_FLOAT_EQ(s.modelview[12], 1.0f) << "the translation is lost";
  gfxLoadIdentity();
  EXPECT_TRUE(isIdentity(glState().modelview));
}

TEST_F(GfxTables, TheStateOnlyTableKeepsWhatOutlivesAFrameAndNothingElse) {
  const GLuint texture = freshState();
  gfx = &gfxStateOnly;
  changeEverything(texture);
  const GlState s = glState();
  EXPECT_EQ(s.colour[1], 0.5f);
  EXPECT_TRUE(s.blend);
  EXPECT_FALSE(s.texturing);
  EXPECT_EQ(s.texture, static_cast<GLint>(texture));
  EXPECT_EQ(s.polygonMode[0], GL_LINE);
  EXPECT_TRUE(isIdentity(s.modelview)) << "matrices are not kept";
}

TEST_F(GfxTables, TheDiscardingTableLeavesGlAlone) {
  const GLuint texture = freshState();
  const GlState before = glState();
  gfx = &gfxDiscard;
  changeEverything(texture);
  const GlState after = glState();
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(GfxTables, TheRecorderFilesEveryCallUnderItsKindWithItsArgumentsInOrder) {
  GfxRecorder recorder;
  const GLfloat v[3] = {7.0f, 8.0f, 9.0f};
  gfxClear(GL_COLOR_BUFFER_BIT);
  gfxColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  gfxEnable(GL_BLEND);
  gfxDisable(GL_TEXTURE_2D);
  gfxLoadIdentity();
  gfxRotatef(30.0f, 0.0f, 1.0f, 0.5f);
  gfxTranslatef(1.0f, 2.0f, 3.0f);
  gfxBindTexture(GL_TEXTURE_2D, 42);
  gfxBegin(GL_TRIANGLE_STRIP);
  gfxTexCoord2d(0.125, 0.875);
  gfxVertex3f(4.0f, 5.0f, 6.0f);
  gfxVertex3fv(v);
  gfxNormal3fv(v);
  gfxEnd();
  gfxPolygonMode(GL_BACK, GL_LINE);
  gfxFlush();
  struct Expected {
    GfxCall::Kind kind;
    unsigned e0, e1;
    double a[4];
  };
  const Expected expected[] = {
      {GfxCall::Clear, GL_COLOR_BUFFER_BIT, 0, {}},
      {GfxCall::Color, 0, 0, {0.25, 0.5, 0.75, 1.0}},
      {GfxCall::Enable, GL_BLEND, 0, {}},
      {GfxCall::Disable, GL_TEXTURE_2D, 0, {}},
      {GfxCall::LoadIdentity, 0, 0, {}},
      {GfxCall::Rotate, 0, 0, {30.0, 0.0, 1.0, 0.5}},
      {GfxCall::Translate, 0, 0, {1.0, 2.0, 3.0}},
      {GfxCall::BindTexture, GL_TEXTURE_2D, 42, {}},
      {GfxCall::Begin, GL_TRIANGLE_STRIP, 0, {}},
      {GfxCall::TexCoord, 0, 0, {0.125, 0.875}},
      {GfxCall::Vertex, 0, 0, {4.0, 5.0, 6.0}},
      {GfxCall::Vertex, 0, 0, {7.0, 8.0, 9.0}},
      {GfxCall::Normal, 0, 0, {7.0, 8.0, 9.0}},
      {GfxCall::End, 0, 0, {}},
      {GfxCall::PolygonMode, GL_BACK, GL_LINE, {}},
      {GfxCall::Flush, 0, 0, {}},
  };
  const std::vector<GfxCall>& calls = recorder.calls();
  ASSERT_EQ(calls.size(), sizeof expected / sizeof expected[0]) << recorder.dump();
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].kind, expected[i].kind);
    EXPECT_EQ(calls[i].e0, expected[i].e0);
    EXPECT_EQ(calls[i].e1, expected[i].e1);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(calls[i].a[k], expected[i].a[k]) << k;
  }
}

TEST_F(GfxTables, TheWrappersKeepTheCapabilitiesAFrameLeavesOnWhateverTheTable) {
  resetGfxState();
  const GfxState off = gfxState;
  for (const GfxCalls* table : {&gfxDirect, &gfxDiscard, &gfxStateOnly}) {
    gfx = table;
    gfxEnable(GL_BLEND);
    const GfxState blending = gfxState;
    EXPECT_NE(std::memcmp(&blending, &off, sizeof off), 0);
    gfxEnable(GL_DEPTH_TEST);
    gfxDisable(GL_CULL_FACE);
    EXPECT_EQ(std::memcmp(&gfxState, &blending, sizeof off), 0)
        << "a capability the frames never switch changed what is kept";
    gfxDisable(GL_BLEND);
    EXPECT_EQ(std::memcmp(&gfxState, &off, sizeof off), 0);
  }
}

TEST_F(GfxTables, PuttingTheStateBackSwitchesGlsCapabilitiesThroughTheTableInUse) {
  freshState();
  gfx = &gfxDirect;
  gfxEnable(GL_BLEND);
  gfxDisable(GL_TEXTURE_2D);
  const GfxState blending = gfxState;
  gfxDisable(GL_BLEND);
  gfxEnable(GL_TEXTURE_2D);
  putGfxStateBack(blending);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(std::memcmp(&gfxState, &blending, sizeof blending), 0);

  // Through a table that draws nothing, GL stays as it is; what is kept
  // follows all the same.
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  resetGfxState();
  gfx = &gfxDiscard;
  putGfxStateBack(blending);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(std::memcmp(&gfxState, &blending, sizeof blending), 0);
}
}  // namespace
