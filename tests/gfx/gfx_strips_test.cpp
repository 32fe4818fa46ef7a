// Triangle strips sent from arrays (gfxStrips): on Mesa's software renderer
// they draw exactly the pixels of the same vertices sent one by one and leave
// the same current normal and texture coordinates; the recorder sees them as
// those one-by-one calls; the tables that draw nothing draw nothing.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/gfx_recorder.h"
#include "tests/support/headless_gl.h"

namespace {
constexpr int kWidth = 160;
constexpr int kHeight = 90;

// A small wavy grid of rows x columns vertices laid out as the mesh's are:
// position, normal, texture coordinates, 32 bytes a vertex.
struct Vertex {
  float x, y, z;
  float nx, ny, nz;
  float s, t;
};
constexpr int kRows = 6;
constexpr int kColumns = 9;

std::vector<Vertex> wavyGrid() {
  std::vector<Vertex> grid;
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      const float x = -1.6f + 0.4f * static_cast<float>(c);
      const float y = 1.0f - 0.4f * static_cast<float>(r);
      const float z = -4.0f + 0.3f * static_cast<float>(std::sin(c * 1.3 + r * 0.7));
      grid.push_back({x, y, z, 0.1f * c, 0.2f * r, 1.0f, c / (kColumns - 1.0f),
                      1.0f - r / (kRows - 1.0f)});
    }
  }
  return grid;
}

// Strip r runs along rows r and r + 1, as the mesh's strips do.
std::vector<GLuint> stripOrder() {
  std::vector<GLuint> order;
  for (int r = 0; r + 1 < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      order.push_back(static_cast<GLuint>(r * kColumns + c));
      order.push_back(static_cast<GLuint>((r + 1) * kColumns + c));
    }
  }
  return order;
}

GfxStripArrays arraysOf(const std::vector<Vertex>& grid, const std::vector<GLuint>& order) {
  return {&grid[0].x,     &grid[0].nx, &grid[0].s, sizeof(Vertex),
          order.data(),   kRows - 1,   2 * kColumns};
}

HeadlessGl& context() {
  static HeadlessGl* gl = new HeadlessGl(kWidth, kHeight);
  return *gl;
}

std::vector<uint8_t> frameAfter(void (*draw)()) {
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-0.05, 0.05, -0.028, 0.028, 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  bindGradientTexture();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  draw();
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

void drawOneByOne() {
  const std::vector<Vertex> grid = wavyGrid();
  const std::vector<GLuint> order = stripOrder();
  for (int k = 0; k + 1 < kRows; ++k) {
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j < 2 * kColumns; ++j) {
      const Vertex& v = grid[order[k * 2 * kColumns + j]];
      glNormal3fv(&v.nx);
      glTexCoord2d(v.s, v.t);
      glVertex3fv(&v.x);
    }
    glEnd();
  }
}

void drawFromArrays() {
  const std::vector<Vertex> grid = wavyGrid();
  const std::vector<GLuint> order = stripOrder();
  gfxStrips(arraysOf(grid, order));
}

struct Current {
  GLfloat normal[4];
  GLfloat texCoord[4];
};
Current current() {
  Current c{};
  glGetFloatv(GL_CURRENT_NORMAL, c.normal);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, c.texCoord);
  return c;
}

TEST(GfxStrips, ArraysDrawThePixelsOfTheSameVerticesSentOneByOne) {
  ASSERT_TRUE(context().ok());
  gfx = &gfxDirect;
  const std::vector<uint8_t> expected = frameAfter(drawOneByOne);
  const Current afterOneByOne = current();
  const std::vector<uint8_t> actual = frameAfter(drawFromArrays);
  const Current afterArrays = current();
  int lit = 0;
  for (size_t i = 0; i < expected.size(); i += 4) lit += expected[i + 3] != 0 || expected[i] != 0;
  EXPECT_GT(lit, kWidth * kHeight / 4) << "the grid should cover a good part of the view";
  EXPECT_TRUE(actual == expected) << "the pixels differ";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(afterArrays.normal[i], afterOneByOne.normal[i]) << i;
  for (int i = 0; i < 2; ++i) EXPECT_EQ(afterArrays.texCoord[i], afterOneByOne.texCoord[i]) << i;
  GLboolean arrayOn = GL_TRUE;
  glGetBooleanv(GL_VERTEX_ARRAY, &arrayOn);
  EXPECT_FALSE(arrayOn) << "the vertex array is left switched on";
}

TEST(GfxStrips, TheTablesThatDrawNothingDrawNoStrip) {
  ASSERT_TRUE(context().ok());
  for (const GfxCalls* table : {&gfxDiscard, &gfxStateOnly}) {
    gfx = table;
    const std::vector<uint8_t> pixels = frameAfter(drawFromArrays);
    gfx = &gfxDirect;
    int lit = 0;
    for (uint8_t byte : pixels) lit += byte != 0;
    EXPECT_EQ(lit, 0);
  }
}

TEST(GfxStrips, TheRecorderSeesTheCallsOneByOneInStripOrder) {
  const std::vector<Vertex> grid = wavyGrid();
  const std::vector<GLuint> order = stripOrder();
  GfxRecorder recorder;
  gfxStrips(arraysOf(grid, order));
  const std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), static_cast<size_t>(kRows - 1));
  for (int k = 0; k + 1 < kRows; ++k) {
    ASSERT_EQ(strips[k].mode, static_cast<unsigned>(GL_TRIANGLE_STRIP));
    ASSERT_EQ(strips[k].vertices.size(), static_cast<size_t>(2 * kColumns));
    for (int j = 0; j < 2 * kColumns; ++j) {
      const Vertex& v = grid[order[k * 2 * kColumns + j]];
      const GfxStrip::Vertex& got = strips[k].vertices[j];
      EXPECT_EQ(got.x, v.x);
      EXPECT_EQ(got.y, v.y);
      EXPECT_EQ(got.z, v.z);
      EXPECT_EQ(got.nx, v.nx);
      EXPECT_EQ(got.s, v.s);
      EXPECT_EQ(got.t, v.t);
    }
  }
  // Normal, then texture coordinates, then the vertex, as the show sends them.
  const std::vector<GfxCall>& calls = recorder.calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, GfxCall::Begin);
  EXPECT_EQ(calls[1].kind, GfxCall::Normal);
  EXPECT_EQ(calls[2].kind, GfxCall::TexCoord);
  EXPECT_EQ(calls[3].kind, GfxCall::Vertex);

  // Without normals or texture coordinates only the positions are sent.
  recorder.clear();
  GfxStripArrays bare = arraysOf(grid, order);
  bare.normals = nullptr;
  bare.texCoords = nullptr;
  bare.stripCount = 1;
  gfxStrips(bare);
  EXPECT_EQ(recorder.count(GfxCall::Vertex), 2 * kColumns);
  EXPECT_EQ(recorder.count(GfxCall::Normal), 0);
  EXPECT_EQ(recorder.count(GfxCall::TexCoord), 0);
}
}  // namespace
