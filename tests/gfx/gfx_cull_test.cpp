// Closed surfaces drawn without the triangles that cannot show: on Mesa's
// software renderer the frame keeps every pixel and every depth of the whole
// surface, what is left out lies strictly behind what is drawn and faces away
// from the eye, the rim stays, and whenever the surface cannot be shown closed
// from the eye every triangle is drawn.
#include "gfx/gfx_cull.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "gfx/gfx.h"
#include "tests/support/headless_gl.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct Vertex {
  float x, y, z;
  float s, t;
};

// A closed grid laid out as the show's meshes are: rows from pole to pole,
// the last column standing where the first does, strip r along rows r and
// r + 1. `radius` deforms the sphere along each direction.
constexpr int kRows = 40;
constexpr int kColumns = 81;
struct Surface {
  std::vector<Vertex> vertices;
  std::vector<GLuint> order;
  std::vector<GLuint> twins;

  GfxStripArrays arrays(bool closed) const {
    GfxStripArrays a = {&vertices[0].x, nullptr,   &vertices[0].s, sizeof(Vertex),
                        order.data(),   kRows - 1, 2 * kColumns};
    a.twins = closed ? twins.data() : nullptr;
    return a;
  }
};

Surface makeSurface(const std::function<double(double, double, double)>& radius) {
  Surface surface;
  for (int r = 0; r < kRows; ++r) {
    const double theta = M_PI * r / (kRows - 1);
    for (int c = 0; c < kColumns; ++c) {
      const double phi = 2 * M_PI * c / (kColumns - 1);
      const double x = std::sin(theta) * std::sin(phi), y = std::cos(theta),
                   z = std::sin(theta) * std::cos(phi);
      const double k = radius(x, y, z);
      surface.vertices.push_back({static_cast<float>(k * x), static_cast<float>(k * y),
                                  static_cast<float>(k * z), c / (kColumns - 1.0f),
                                  1.0f - r / (kRows - 1.0f)});
      const bool pole = r == 0 || r == kRows - 1;
      surface.twins.push_back(
          static_cast<GLuint>(r * kColumns + (pole || c == kColumns - 1 ? 0 : c)));
    }
  }
  // The seam and the poles, worked out apart, land a rounding away from their
  // twins; they take the twins' positions, as the show's grids do.
  for (size_t i = 0; i < surface.vertices.size(); ++i) {
    const Vertex& twin = surface.vertices[surface.twins[i]];
    surface.vertices[i].x = twin.x;
    surface.vertices[i].y = twin.y;
    surface.vertices[i].z = twin.z;
  }
  for (int r = 0; r + 1 < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      surface.order.push_back(static_cast<GLuint>(r * kColumns + c));
      surface.order.push_back(static_cast<GLuint>((r + 1) * kColumns + c));
    }
  }
  return surface;
}

Surface sphere() {
  return makeSurface([](double, double, double) { return 1.0; });
}
Surface wobbled() {
  return makeSurface([](double x, double y, double z) {
    return 1.0 + 0.45 * std::sin(7 * x) * std::sin(5 * y + 1) * std::sin(6 * z);
  });
}
// A cube with rounded-off seams: sharp creases where its faces meet.
Surface box() {
  return makeSurface([](double x, double y, double z) {
    return 1.0 / std::fmax(std::fabs(x), std::fmax(std::fabs(y), std::fabs(z)));
  });
}

// Where the surface stands: a distance in front of the eye and two turns.
struct View {
  float distance, sideways, yaw, pitch;
};
constexpr View kViews[] = {
    {5.0f, 0.0f, 0.0f, 0.0f},    {5.0f, 0.0f, 90.0f, 20.0f},  {4.0f, 1.5f, 37.0f, -65.0f},
    {6.0f, -2.0f, 181.0f, 8.0f}, {3.2f, 0.3f, 270.0f, 90.0f}, {8.0f, 3.0f, 12.5f, 33.3f},
    {40.0f, 6.0f, 50.0f, 10.0f},
};

HeadlessGl& context() {
  static HeadlessGl* gl = new HeadlessGl(kWidth, kHeight);
  return *gl;
}

// The viewport startFrame sets: the whole frame unless a test moves it.
GLint frameViewport[4] = {0, 0, kWidth, kHeight};

// The show's projection and state, the surface's matrix, a cleared frame.
void startFrame(const View& view) {
  glViewport(frameViewport[0], frameViewport[1], frameViewport[2], frameViewport[3]);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 0.1, 200.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(view.sideways, 0.0f, -view.distance);
  glRotatef(view.yaw, 0.0f, 1.0f, 0.0f);
  glRotatef(view.pitch, 1.0f, 0.0f, 0.0f);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glEnable(GL_TEXTURE_2D);
  bindGradientTexture();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

struct Frame {
  std::vector<uint8_t> colour;
  std::vector<uint32_t> depth;
};
Frame readFrame() {
  Frame f{std::vector<uint8_t>(kWidth * kHeight * 4), std::vector<uint32_t>(kWidth * kHeight)};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, f.colour.data());
  glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, f.depth.data());
  return f;
}

Frame drawn(const Surface& surface, const View& view, bool closed, void (*setState)() = nullptr) {
  startFrame(view);
  if (setState) setState();
  gfx = &gfxDirect;
  gfxStrips(surface.arrays(closed));
  return readFrame();
}

GLfloat currentMatrix(GLenum which, int i) {
  GLfloat m[16];
  glGetFloatv(which, m);
  return m[i];
}

// How visible() tells the module about the pixels: not at all, or the
// viewport in force with the depth buffer's bits, or with 16 bits.
enum class Raster { Unknown, AsItIs, CoarseDepth };

// Asks the module which triangles can show from the view set up by startFrame.
bool visible(const Surface& surface, const View& view, std::vector<GLuint>& triangles,
             bool closed = true, Raster known = Raster::Unknown) {
  startFrame(view);
  GLfloat mv[16], proj[16];
  for (int i = 0; i < 16; ++i) mv[i] = currentMatrix(GL_MODELVIEW_MATRIX, i);
  for (int i = 0; i < 16; ++i) proj[i] = currentMatrix(GL_PROJECTION_MATRIX, i);
  GfxRaster raster;
  glGetIntegerv(GL_VIEWPORT, raster.viewport);
  glGetIntegerv(GL_DEPTH_BITS, &raster.depthBits);
  if (known == Raster::CoarseDepth) raster.depthBits = 16;
  return gfxVisibleTriangles(surface.arrays(closed), mv, proj,
                             known == Raster::Unknown ? nullptr : &raster, triangles);
}

// Every triangle of the strips, in GL's order of its vertices.
std::vector<std::array<GLuint, 3>> allTriangles(const Surface& surface) {
  std::vector<std::array<GLuint, 3>> all;
  for (int k = 0; k + 1 < kRows; ++k) {
    const GLuint* s = surface.order.data() + k * 2 * kColumns;
    for (int j = 0; j + 2 < 2 * kColumns; ++j) {
      if (j % 2 == 0)
        all.push_back({s[j], s[j + 1], s[j + 2]});
      else
        all.push_back({s[j + 1], s[j], s[j + 2]});
    }
  }
  return all;
}

// The triangles the module leaves out; fails when the ones it keeps are not
// the strips' own triangles in the strips' order.
std::vector<std::array<GLuint, 3>> leftOut(const Surface& surface,
                                           const std::vector<GLuint>& kept) {
  std::vector<std::array<GLuint, 3>> out;
  size_t next = 0;
  for (const auto& t : allTriangles(surface)) {
    if (next + 3 <= kept.size() && kept[next] == t[0] && kept[next + 1] == t[1] &&
        kept[next + 2] == t[2]) {
      next += 3;
    } else {
      out.push_back(t);
    }
  }
  EXPECT_EQ(next, kept.size()) << "a kept triangle is not a strip's, or out of order";
  return out;
}

// A triangle's corners in window coordinates.
struct OnScreen {
  double x[3], y[3];

  // Twice the signed area.
  double area() const { return (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]); }
};
OnScreen onScreen(const Surface& surface, const std::array<GLuint, 3>& t) {
  GLdouble mv[16], proj[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, viewport);
  OnScreen s;
  for (int i = 0; i < 3; ++i) {
    const Vertex& v = surface.vertices[t[i]];
    double z;
    gluProject(v.x, v.y, v.z, mv, proj, viewport, &s.x[i], &s.y[i], &z);
  }
  return s;
}

// The triangle (its number in allTriangles) that shows at the surface's
// nearest pixel: each drawn in a colour of its own, untextured.
size_t frontmostTriangle(const Surface& surface, const View& view) {
  startFrame(view);
  glDisable(GL_TEXTURE_2D);
  const auto all = allTriangles(surface);
  glBegin(GL_TRIANGLES);
  for (size_t i = 0; i < all.size(); ++i) {
    const uint32_t id = static_cast<uint32_t>(i + 1);
    glColor3ub(static_cast<GLubyte>(id), static_cast<GLubyte>(id >> 8),
               static_cast<GLubyte>(id >> 16));
    for (GLuint v : all[i]) glVertex3fv(&surface.vertices[v].x);
  }
  glEnd();
  glColor3ub(255, 255, 255);
  const Frame f = readFrame();
  size_t nearest = 0;
  for (size_t p = 1; p < f.depth.size(); ++p) {
    if (f.depth[p] < f.depth[nearest]) nearest = p;
  }
  const uint8_t* rgb = &f.colour[4 * nearest];
  return (rgb[0] | rgb[1] << 8 | rgb[2] << 16) - size_t{1};
}

// Whether the triangles, drawn over the whole surface in a colour of their
// own with the depth test passing on equal depths, change any pixel.
bool reachTheFront(const Surface& surface, const View& view,
                   const std::vector<std::array<GLuint, 3>>& triangles) {
  const Frame whole = drawn(surface, view, false);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_FALSE);
  glDisable(GL_TEXTURE_2D);
  glColor4f(1.0f, 0.0f, 1.0f, 1.0f);
  glBegin(GL_TRIANGLES);
  for (const auto& t : triangles) {
    for (GLuint i : t) glVertex3fv(&surface.vertices[i].x);
  }
  glEnd();
  const Frame over = readFrame();
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glDepthMask(GL_TRUE);
  return over.colour != whole.colour;
}

struct Case {
  const char* name;
  Surface surface;
};
std::vector<Case> cases() { return {{"sphere", sphere()}, {"wobbled", wobbled()}, {"box", box()}}; }

// Runs `check` on every surface from every view, with the triangles the
// module keeps there; it must show each as a closed surface.
void forEachSurfaceAndView(void (*check)(const Case& c, const View& view,
                                         const std::vector<GLuint>& kept)) {
  for (const Case& c : cases()) {
    for (const View& view : kViews) {
      SCOPED_TRACE(testing::Message() << c.name << " at yaw " << view.yaw);
      std::vector<GLuint> kept;
      ASSERT_TRUE(visible(c.surface, view, kept));
      check(c, view, kept);
    }
  }
}
}  // namespace

TEST(GfxCull, TheFrameKeepsEveryPixelAndDepthWithFewerTriangles) {
  ASSERT_TRUE(context().ok());
  forEachSurfaceAndView([](const Case& c, const View& view, const std::vector<GLuint>& kept) {
    const size_t all = 3 * allTriangles(c.surface).size();
    EXPECT_LT(kept.size(), all * 3 / 4) << "too few triangles left out";
    const Frame whole = drawn(c.surface, view, false);
    const Frame culled = drawn(c.surface, view, true);
    int covered = 0;
    for (uint32_t d : whole.depth) covered += d != 0xffffffffu;
    EXPECT_GT(covered, 50) << "the surface should show";
    EXPECT_TRUE(culled.colour == whole.colour) << "the pixels differ";
    EXPECT_TRUE(culled.depth == whole.depth) << "the depths differ";
  });
}

TEST(GfxCull, WhatIsLeftOutFacesAwayOffTheRimAndNeverReachesTheFront) {
  ASSERT_TRUE(context().ok());
  forEachSurfaceAndView([](const Case& c, const View& view, const std::vector<GLuint>& kept) {
    const auto out = leftOut(c.surface, kept);
    ASSERT_FALSE(out.empty());

    // A triangle faces the eye when it turns on the screen the way the
    // triangle in front at the surface's nearest pixel turns.
    const auto all = allTriangles(c.surface);
    const size_t front = frontmostTriangle(c.surface, view);
    ASSERT_LT(front, all.size());
    startFrame(view);
    const double frontSign = onScreen(c.surface, all[front]).area() > 0 ? 1.0 : -1.0;
    // The corners of the triangles that face the eye.
    std::vector<const Vertex*> rim;
    for (const auto& t : all) {
      if (onScreen(c.surface, t).area() * frontSign >= 0.0) {
        for (GLuint v : t) rim.push_back(&c.surface.vertices[v]);
      }
    }
    int facing = 0, onRim = 0;
    for (const auto& t : out) {
      facing += onScreen(c.surface, t).area() * frontSign >= 0.0;
      for (GLuint i : t) {
        const Vertex& v = c.surface.vertices[i];
        for (const Vertex* r : rim) {
          onRim += std::fabs(v.x - r->x) < 1e-5f && std::fabs(v.y - r->y) < 1e-5f &&
                   std::fabs(v.z - r->z) < 1e-5f;
        }
      }
    }
    EXPECT_EQ(facing, 0) << "left out triangles that face the eye";
    EXPECT_EQ(onRim, 0) << "left out vertices shared with triangles facing the eye";

    // Drawn over the whole surface in a colour of their own, the left out
    // triangles may not win a single pixel even where the depths are equal.
    EXPECT_FALSE(reachTheFront(c.surface, view, out)) << "a left out triangle reaches the front";
  });
}

TEST(GfxCull, EveryTriangleIsDrawnWhenTheSurfaceCannotBeShownClosedFromTheEye) {
  ASSERT_TRUE(context().ok());
  const Surface round = sphere();
  std::vector<GLuint> triangles = {1, 2, 3};
  EXPECT_FALSE(visible(round, kViews[0], triangles, false)) << "no twins: not known closed";
  EXPECT_TRUE(triangles.empty());
  EXPECT_FALSE(visible(round, {0.5f, 0.0f, 0.0f, 0.0f}, triangles)) << "the eye inside";
  EXPECT_FALSE(visible(round, {1.05f, 0.0f, 0.0f, 0.0f}, triangles)) << "cut by the near plane";
  EXPECT_FALSE(visible(round, {199.5f, 0.0f, 0.0f, 0.0f}, triangles)) << "cut by the far plane";
  // A cap turned inside out crosses the rest of the surface.
  const Surface crossed =
      makeSurface([](double, double y, double) { return y > 0.6 ? -0.5 : 1.0; });
  EXPECT_FALSE(visible(crossed, kViews[0], triangles)) << "a surface crossing itself";
  // Long and thin: the eye lies outside it but within reach of its far end.
  const Surface needle = makeSurface([](double, double, double z) { return 1.0 + 4.0 * z * z; });
  EXPECT_FALSE(visible(needle, {4.0f, 0.0f, 0.0f, 0.0f}, triangles)) << "the eye within reach";
  // A seam vertex a float's step away from its twin, or a pole's vertex that
  // stands as -0 where its twin stands as +0: not bit for bit closed.
  ASSERT_TRUE(visible(round, kViews[0], triangles)) << "the closed sphere itself";
  Surface ajar = round;
  Vertex& seam = ajar.vertices[5 * kColumns + kColumns - 1];
  seam.y = std::nextafter(seam.y, 2.0f);
  EXPECT_FALSE(visible(ajar, kViews[0], triangles)) << "a seam a float's step apart";
  Surface signedPole = round;
  ASSERT_EQ(signedPole.vertices[kColumns / 2].x, 0.0f);
  signedPole.vertices[kColumns / 2].x = -signedPole.vertices[kColumns / 2].x;
  EXPECT_FALSE(visible(signedPole, kViews[0], triangles)) << "a pole with -0 beside +0";

  // Whatever it answers, the frame stays that of the whole surface.
  for (const View& view : {View{1.05f, 0.0f, 0.0f, 0.0f}, View{0.5f, 0.0f, 30.0f, 0.0f}}) {
    const Frame whole = drawn(round, view, false);
    EXPECT_TRUE(drawn(round, view, true).colour == whole.colour);
  }
  EXPECT_TRUE(visible(round, kViews[0], triangles)) << "the plain sphere from outside";
}

// The pixels the triangles give drawn alone over a cleared frame, whatever
// their depth.
int pixelsAlone(const Surface& surface, const View& view,
                const std::vector<std::array<GLuint, 3>>& triangles) {
  startFrame(view);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_TRIANGLES);
  for (const auto& t : triangles) {
    for (GLuint i : t) glVertex3fv(&surface.vertices[i].x);
  }
  glEnd();
  const Frame f = readFrame();
  glEnable(GL_TEXTURE_2D);
  int lit = 0;
  for (size_t p = 0; p < f.colour.size(); p += 4) {
    lit += f.colour[p] != 0 || f.colour[p + 1] != 0 || f.colour[p + 2] != 0;
  }
  return lit;
}

// What the module leaves out once it knows the pixels, beside what it leaves
// out without: each gives no pixel drawn alone, or faces away and, drawn over
// the whole surface even where the depths are equal, wins no pixel.
TEST(GfxCull, KnowingThePixelsLeavesOutOnlyWhatGivesNoPixelOrLiesBehind) {
  ASSERT_TRUE(context().ok());
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  ASSERT_GE(depthBits, 24) << "the test needs a fine depth buffer";
  // The whole frame, and a viewport moved off the frame's corner.
  const std::array<std::array<GLint, 4>, 2> viewports = {
      {{0, 0, kWidth, kHeight}, {13, 9, kWidth - 69, kHeight - 29}}};
  size_t farAll = 0, farKept = 0;
  int facingAwayTaken = 0;
  for (const auto& viewport : viewports) {
    std::copy(viewport.begin(), viewport.end(), frameViewport);
    for (const Case& c : cases()) {
      for (const View& view : kViews) {
        for (Raster known : {Raster::AsItIs, Raster::CoarseDepth}) {
          SCOPED_TRACE(testing::Message()
                       << c.name << " at yaw " << view.yaw << " in a viewport at " << viewport[0]
                       << "," << viewport[1] << (known == Raster::CoarseDepth ? ", 16 bits" : ""));
          std::vector<GLuint> all, kept;
          ASSERT_TRUE(visible(c.surface, view, all));
          ASSERT_TRUE(visible(c.surface, view, kept, true, known));
          // What knowing the pixels takes away, in the strips' order.
          std::vector<std::array<GLuint, 3>> taken;
          size_t next = 0;
          for (size_t i = 0; i + 2 < all.size(); i += 3) {
            if (next + 3 <= kept.size() && std::equal(&all[i], &all[i] + 3, &kept[next])) {
              next += 3;
            } else {
              taken.push_back({all[i], all[i + 1], all[i + 2]});
            }
          }
          ASSERT_EQ(next, kept.size()) << "kept a triangle it leaves out without the pixels";
          if (view.distance > 20.0f && known == Raster::AsItIs) {
            farAll += all.size();
            farKept += kept.size();
          }

          // Drawn alone, whatever the depth, the taken triangles that face
          // the eye (on the screen, as the frontmost does) give no pixel; with
          // a coarse depth buffer, none of them does.
          const auto every = allTriangles(c.surface);
          const size_t front = frontmostTriangle(c.surface, view);
          ASSERT_LT(front, every.size());
          startFrame(view);
          const double frontSign = onScreen(c.surface, every[front]).area() > 0 ? 1.0 : -1.0;
          std::vector<std::array<GLuint, 3>> facing, away;
          for (const auto& t : taken) {
            (onScreen(c.surface, t).area() * frontSign >= 0.0 ? facing : away).push_back(t);
          }
          EXPECT_EQ(pixelsAlone(c.surface, view, facing), 0) << "of triangles facing the eye";
          const int awayPixels = pixelsAlone(c.surface, view, away);
          if (known == Raster::CoarseDepth) {
            EXPECT_EQ(awayPixels, 0);
          }
          facingAwayTaken += awayPixels;

          // Drawn over the whole surface in a colour of their own, with the
          // depth test passing on equal depths, they change no pixel.
          EXPECT_FALSE(reachTheFront(c.surface, view, taken)) << "a left out triangle shows";

          // And the frame drawn through the desktop table stays the same.
          EXPECT_TRUE(drawn(c.surface, view, true).colour == drawn(c.surface, view, false).colour)
              << "the pixels differ";
        }
      }
    }
  }
  std::copy(viewports[0].begin(), viewports[0].end(), frameViewport);
  // Far away, most triangles are smaller than a pixel; close up, the rim's
  // triangles facing away mostly go.
  EXPECT_LT(farKept, farAll / 2);
  EXPECT_GT(facingAwayTaken, 0) << "no triangle facing away left out for lying behind";
}

// Where what lies behind the nearest surface can still show, nothing is left
// out: the frame is that of the whole surface.
TEST(GfxCull, StateThatLetsTheBackShowDrawsEveryTriangle) {
  ASSERT_TRUE(context().ok());
  void (*const states[])() = {
      [] {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
      },
      [] { glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); },
      [] { glDisable(GL_DEPTH_TEST); },
      [] { glDepthMask(GL_FALSE); },
      [] {
        // The furthest surface wins.
        glDepthFunc(GL_GREATER);
        glClearDepth(0.0);
        glClear(GL_DEPTH_BUFFER_BIT);
      },
      [] {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
      },
      [] {
        // Cuts the ball's near half away (everything nearer the eye than its
        // centre, in eye space): the inside shows.
        const GLdouble plane[4] = {0.0, 0.0, -1.0, -5.0};
        glPushMatrix();
        glLoadIdentity();
        glClipPlane(GL_CLIP_PLANE0, plane);
        glPopMatrix();
        glEnable(GL_CLIP_PLANE0);
      },
      [] {
        // Seen from infinitely far, a whole half of the ball shows, more than
        // from the eye the pass takes the view from.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2.4, 2.4, -1.35, 1.35, 0.1, 200.0);
        glMatrixMode(GL_MODELVIEW);
      },
      [] {
        // Nearer depths larger: under the less-than test the furthest wins.
        glDepthRange(1.0, 0.0);
      },
  };
  const Surface round = sphere();
  for (size_t i = 0; i < sizeof states / sizeof states[0]; ++i) {
    SCOPED_TRACE(i);
    const Frame whole = drawn(round, kViews[1], false, states[i]);
    const Frame culled = drawn(round, kViews[1], true, states[i]);
    EXPECT_TRUE(culled.colour == whole.colour) << "the pixels differ";
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glDisable(GL_CULL_FACE);
    glDisable(GL_CLIP_PLANE0);
    glDepthRange(0.0, 1.0);
  }
  // Blending that replaces is no blending at all, as the show has it.
  const Frame plain = drawn(round, kViews[1], false);
  glEnable(GL_BLEND);
  const Frame replacing = drawn(round, kViews[1], true);
  glDisable(GL_BLEND);
  EXPECT_TRUE(replacing.colour == plain.colour);
}
