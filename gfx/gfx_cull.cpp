#include "gfx/gfx_cull.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "workers/workers.h"

namespace {
// Relative tolerance of the turn test below. Positions are floats (about
// seven digits) and the tests are worked out in doubles, so a product within
// a millionth of its size is taken as zero.
constexpr double kSignTolerance = 1e-6;
// A triangle counts as facing away only when the way to the eye lies at
// least this far (as a sine, about 3 degrees) behind its plane. Close to the
// outline the surface runs almost along the line of sight: a ray there meets
// the sides facing the eye and facing away only a hair's breadth apart, too
// close for the depth buffer to tell them apart, even where they lie a few
// triangles apart on the surface. Those grazing triangles stay.
constexpr double kAwaySine = 0.05;
// Every vertex must lie this far inside the depth range in clip space (as a
// share of w), so that neither the near nor the far plane clips the surface.
constexpr double kDepthMargin = 1e-4;
// The eye must lie this much further from the surface's origin than its
// furthest vertex, so that it lies outside the surface.
constexpr double kEyeMargin = 1.001;
// How far (in pixels) a renderer may place a corner from where it is worked
// out here: renderers snap corners to a grid of 1/16 pixel or finer, and the
// arithmetic of their vertex transform differs from this one's in the last
// bits of a float. A triangle whose box, widened by this much on every side,
// holds no pixel centre gives no pixel.
constexpr double kCornerSlack = 1.0 / 8;
// Where a triangle facing away meets one that does not, the two lie at the
// same depth; the depths they give a pixel centre close by differ only by
// rounding, and the one facing away may win the pixel. With a depth buffer of
// this many bits or more that happens only within a few thousandths of a
// pixel of the corners and edges they share (in the show's frames at 320x180:
// within 0.002 pixel, none beyond), so a triangle facing away with no pixel
// centre within reach of them gives no pixel. The reach also covers the
// renderer's own placing of the corners (see kCornerSlack).
constexpr int kFineDepthBits = 24;
constexpr double kMeetingReach = 1.0 / 16;
// The most pixel centres looked at around one edge: a box of 8 x 8 pixels.
constexpr double kMostCentresToLookAt = 64;
// Corners further out than this many pixels (far off the frame) are not
// looked at either.
constexpr double kFurthestPixel = 1 << 20;
// Strips per helper thread: fewer are not worth waking one for.
constexpr int kMinStrips = 16;
// Triangles per helper thread when picking out those to draw.
constexpr int kMinTriangles = 8192;

struct Vec {
  double x, y, z;
};
Vec operator-(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(const Vec& a, const Vec& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// GL's matrices hold column after column: entry (row, column) is m[column * 4 + row].
double at(const GLfloat* m, int row, int column) { return m[column * 4 + row]; }

// Where the eye (the origin of eye space) lies in the surface's own space,
// for a model-view matrix that maps points to points (last row 0 0 0 1) and
// can be inverted. Returns false for any other.
bool eyeInObjectSpace(const GLfloat* mv, Vec& eye) {
  if (at(mv, 3, 0) != 0 || at(mv, 3, 1) != 0 || at(mv, 3, 2) != 0 || at(mv, 3, 3) != 1) {
    return false;
  }
  const double a = at(mv, 0, 0), b = at(mv, 0, 1), c = at(mv, 0, 2);
  const double d = at(mv, 1, 0), e = at(mv, 1, 1), f = at(mv, 1, 2);
  const double g = at(mv, 2, 0), h = at(mv, 2, 1), k = at(mv, 2, 2);
  const double det = a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
  if (!(std::fabs(det) > 1e-12)) return false;
  // The eye solves R * eye + t = 0: eye = -inverse(R) * t.
  const Vec t = {at(mv, 0, 3), at(mv, 1, 3), at(mv, 2, 3)};
  const Vec row0 = {e * k - f * h, c * h - b * k, b * f - c * e};
  const Vec row1 = {f * g - d * k, a * k - c * g, c * d - a * f};
  const Vec row2 = {d * h - e * g, b * g - a * h, a * e - b * d};
  eye = {-dot(row0, t) / det, -dot(row1, t) / det, -dot(row2, t) / det};
  return true;
}

// Which way a triangle faces, as far as the tests can tell; kNoWay for one
// without area and for one that grazes the line of sight.
enum Facing : int8_t { kNoWay = 0, kOneWay = 1, kOtherWay = -1 };

// What one run of strips finds about its vertices and triangles.
struct StripsFound {
  bool clipped = false;  // a vertex near the near or far plane
  bool apart = false;    // a vertex that does not stand where its twin does
  double furthest2 = 0.0;
  GLuint vertexCount = 0;  // one past the largest vertex or twin number seen
  size_t turnsOneWay = 0, turnsOtherWay = 0;
  size_t kept = 0;  // triangles of the run written to the output
};

// Scratch space kept from call to call: the mesh is drawn every frame.
struct Scratch {
  std::vector<GLuint> corners;  // three a triangle, in GL's order
  std::vector<int8_t> facing;   // by triangle
  std::vector<float> windowX;   // by place in the strips: where the corner lands
  std::vector<float> windowY;
  std::vector<uint8_t> rim;  // by vertex: shared with a triangle that is not away
  std::vector<StripsFound> found;  // by part of the work
  std::vector<size_t> firsts;      // by part: its first triangle
};

// The transform from the surface's space to the screen, as far as the tests
// need it: clip x, y, z and w as rows of projection * model-view, and the
// viewport's scale and offset (none without a viewport).
struct ScreenMap {
  double clip[4][4];
  bool toWindow;
  double scaleX, scaleY, offsetX, offsetY;
};

ScreenMap screenMap(const GLfloat* modelview, const GLfloat* projection, const GLint* viewport) {
  ScreenMap map{};
  for (int r = 0; r < 4; ++r) {
    for (int column = 0; column < 4; ++column) {
      double sum = 0.0;
      for (int i = 0; i < 4; ++i) sum += at(projection, r, i) * at(modelview, i, column);
      map.clip[r][column] = sum;
    }
  }
  map.toWindow = viewport != nullptr;
  if (viewport) {
    map.scaleX = viewport[2] / 2.0;
    map.scaleY = viewport[3] / 2.0;
    map.offsetX = viewport[0] + map.scaleX;
    map.offsetY = viewport[1] + map.scaleY;
  }
  return map;
}

double row(const ScreenMap& map, int r, const Vec& p) {
  return map.clip[r][0] * p.x + map.clip[r][1] * p.y + map.clip[r][2] * p.z + map.clip[r][3];
}

// Whether the box of the corners at places a, b, c of the strips, widened by
// the slack, holds a pixel centre (x + 0.5, y + 0.5).
bool boxHoldsPixelCentre(const Scratch& scratch, size_t a, size_t b, size_t c) {
  const float* x = scratch.windowX.data();
  const float* y = scratch.windowY.data();
  const double left = std::min({x[a], x[b], x[c]}) - kCornerSlack - 0.5;
  const double right = std::max({x[a], x[b], x[c]}) + kCornerSlack - 0.5;
  const double bottom = std::min({y[a], y[b], y[c]}) - kCornerSlack - 0.5;
  const double top = std::max({y[a], y[b], y[c]}) + kCornerSlack - 0.5;
  return std::floor(right) >= std::ceil(left) && std::floor(top) >= std::ceil(bottom);
}

// Whether a pixel centre lies within `reach` of where a triangle facing away
// meets those that do not: of its one corner shared with them, or of an edge
// between two shared corners. Corners by their places in the strips. A long
// edge is taken as near one without looking: the mesh's edges span a few
// pixels, and a long one is worth its triangle's drawing.
bool meetingNearPixelCentre(const Scratch& scratch, const size_t place[3], const bool shared[3],
                            double reach) {
  const float* x = scratch.windowX.data();
  const float* y = scratch.windowY.data();
  const double reach2 = reach * reach;
  // Within reach of the segment from a to b (a point when a == b).
  auto near = [&](size_t a, size_t b) {
    const double ax = x[a], ay = y[a], dx = x[b] - ax, dy = y[b] - ay;
    const double length2 = dx * dx + dy * dy;
    // The centres (px + 0.5, py + 0.5) of the box around the edge.
    const double x0 = std::ceil(std::min(ax, ax + dx) - reach - 0.5);
    const double x1 = std::floor(std::max(ax, ax + dx) + reach - 0.5);
    const double y0 = std::ceil(std::min(ay, ay + dy) - reach - 0.5);
    const double y1 = std::floor(std::max(ay, ay + dy) + reach - 0.5);
    if (!(std::fabs(x0) < kFurthestPixel && std::fabs(y0) < kFurthestPixel &&
          (x1 - x0 + 1) * (y1 - y0 + 1) <= kMostCentresToLookAt)) {
      return true;
    }
    const int left = static_cast<int>(x0), right = static_cast<int>(x1);
    const int bottom = static_cast<int>(y0), top = static_cast<int>(y1);
    for (int py = bottom; py <= top; ++py) {
      for (int px = left; px <= right; ++px) {
        const double cx = px + 0.5 - ax, cy = py + 0.5 - ay;
        const double along =
            length2 > 0.0 ? std::clamp((cx * dx + cy * dy) / length2, 0.0, 1.0) : 0.0;
        const double ox = cx - along * dx, oy = cy - along * dy;
        if (ox * ox + oy * oy <= reach2) return true;
      }
    }
    return false;
  };
  const int count = shared[0] + shared[1] + shared[2];
  for (int a = 0; a < 3; ++a) {
    if (!shared[a]) continue;
    if (count == 1) return near(place[a], place[a]);
    for (int b = a + 1; b < 3; ++b) {
      if (shared[b] && near(place[a], place[b])) return true;
    }
  }
  return false;
}
// Unset until the first question: then from the environment.
int visibleTrianglesSwitch = -1;
}  // namespace

GfxCullCounts gfxCullCounts = {};

// GL's matrices hold column after column: entry (row, column) is
// m[column * 4 + row].
bool gfxPerspectiveFromTheOrigin(const GLfloat* m) {
  const bool lastRow = m[3] == 0 && m[7] == 0 && m[11] == -1 && m[15] == 0;
  const bool screen = m[0] != 0 && m[4] == 0 && m[12] == 0 && m[1] == 0 && m[5] != 0 &&
                      m[13] == 0;
  const bool depth = m[2] == 0 && m[6] == 0 && m[14] < 0;
  return lastRow && screen && depth;
}

bool gfxVisibleTrianglesOn() {
  if (visibleTrianglesSwitch < 0) {
    const char* value = std::getenv("VANTOREL_VISIBLE_TRIANGLES");
    const bool off = value && (std::strcmp(value, "off") == 0 || std::strcmp(value, "no") == 0 ||
                               std::strcmp(value, "0") == 0);
    visibleTrianglesSwitch = off ? 0 : 1;
  }
  return visibleTrianglesSwitch == 1;
}

void gfxSetVisibleTriangles(bool on) { visibleTrianglesSwitch = on ? 1 : 0; }

bool gfxVisibleTriangles(const GfxStripArrays& arrays, const GLfloat modelview[16],
                         const GLfloat projection[16], const GfxRaster* raster,
                         std::vector<GLuint>& triangles) {
  const GLint* viewport = raster ? raster->viewport : nullptr;
  const bool tiesOnlyByTheRim = raster && raster->depthBits >= kFineDepthBits;
  triangles.clear();
  if (!arrays.twins || arrays.stripCount <= 0 || arrays.stripLength < 3) return false;
  Vec eye;
  if (!eyeInObjectSpace(modelview, eye)) return false;
  const GLuint* twin = arrays.twins;
  auto position = [&](GLuint index) {
    const GLfloat* p = gfxArrayAt(arrays.positions, arrays.stride, index);
    return Vec{p[0], p[1], p[2]};
  };
  const ScreenMap map = screenMap(modelview, projection, viewport);

  static Scratch scratch;
  const size_t length = static_cast<size_t>(arrays.stripLength);
  const size_t perStrip = length - 2;
  const size_t triangleCount = perStrip * arrays.stripCount;
  scratch.corners.resize(3 * triangleCount);
  scratch.facing.resize(triangleCount);
  if (viewport) {
    scratch.windowX.resize(length * arrays.stripCount);
    scratch.windowY.resize(length * arrays.stripCount);
  }
  scratch.found.assign(static_cast<size_t>(workersCount()), StripsFound{});
  constexpr double kTolerance2 = kSignTolerance * kSignTolerance;
  constexpr double kAway2 = kAwaySine * kAwaySine;

  // Every triangle must turn the same way around the origin; that way tells
  // which side of the surface is its outside. Squares throughout, to spare a
  // square root per triangle. Each strip writes only its own triangles and
  // corners, so runs of strips go to the helper threads.
  workersFor(arrays.stripCount, kMinStrips, [&](int part, int firstStrip, int endStrip) {
    StripsFound& found = scratch.found[static_cast<size_t>(part)];
    for (size_t k = static_cast<size_t>(firstStrip); k < static_cast<size_t>(endStrip); ++k) {
      const GLuint* strip = arrays.indices + k * length;
      for (size_t j = 0; j < length; ++j) {
        const GLfloat* here = gfxArrayAt(arrays.positions, arrays.stride, strip[j]);
        const GLfloat* there = gfxArrayAt(arrays.positions, arrays.stride, twin[strip[j]]);
        if (std::memcmp(here, there, 3 * sizeof(GLfloat)) != 0) found.apart = true;
        const Vec p = position(strip[j]);
        const double z = row(map, 2, p), w = row(map, 3, p);
        found.furthest2 = std::max(found.furthest2, dot(p, p));
        found.vertexCount = std::max(found.vertexCount, std::max(strip[j], twin[strip[j]]) + 1);
        if (!(w > 0.0 && std::fabs(z) < w * (1.0 - kDepthMargin))) found.clipped = true;
        if (map.toWindow && w > 0.0) {
          scratch.windowX[k * length + j] =
              static_cast<float>(map.offsetX + row(map, 0, p) / w * map.scaleX);
          scratch.windowY[k * length + j] =
              static_cast<float>(map.offsetY + row(map, 1, p) / w * map.scaleY);
        }
      }
      if (found.clipped || found.apart) return;
      for (size_t j = 0; j < perStrip; ++j) {
        const size_t i = k * perStrip + j;
        GLuint* v = &scratch.corners[3 * i];
        const bool odd = j % 2 == 1;
        v[0] = strip[odd ? j + 1 : j];
        v[1] = strip[odd ? j : j + 1];
        v[2] = strip[j + 2];
        scratch.facing[i] = kNoWay;
        // Two corners standing in one place leave no area, whatever rounding
        // made of them: such a triangle neither turns nor faces any way.
        if (twin[v[0]] == twin[v[1]] || twin[v[1]] == twin[v[2]] || twin[v[2]] == twin[v[0]]) {
          continue;
        }
        const Vec a = position(v[0]);
        const Vec normal = cross(position(v[1]) - a, position(v[2]) - a);
        const double size2 = dot(normal, normal);
        const double turn = dot(normal, a);
        if (turn * turn > kTolerance2 * size2 * dot(a, a)) {
          ++(turn > 0.0 ? found.turnsOneWay : found.turnsOtherWay);
        }
        const Vec toEye = eye - a;
        const double facing = dot(normal, toEye);
        if (facing * facing > kAway2 * size2 * dot(toEye, toEye)) {
          scratch.facing[i] = facing > 0.0 ? kOneWay : kOtherWay;
        }
      }
    }
  });
  StripsFound all;
  for (const StripsFound& found : scratch.found) {
    all.clipped = all.clipped || found.clipped;
    all.apart = all.apart || found.apart;
    all.furthest2 = std::max(all.furthest2, found.furthest2);
    all.vertexCount = std::max(all.vertexCount, found.vertexCount);
    all.turnsOneWay += found.turnsOneWay;
    all.turnsOtherWay += found.turnsOtherWay;
  }
  if (all.clipped || all.apart) return false;
  if ((all.turnsOneWay != 0) == (all.turnsOtherWay != 0)) return false;
  if (!(dot(eye, eye) > all.furthest2 * kEyeMargin * kEyeMargin)) return false;
  // A triangle faces away when it faces against the way the surface turns.
  const int8_t away = all.turnsOneWay != 0 ? kOtherWay : kOneWay;

  scratch.rim.assign(all.vertexCount, 0);
  for (size_t i = 0; i < triangleCount; ++i) {
    if (scratch.facing[i] != away) {
      const GLuint* v = &scratch.corners[3 * i];
      scratch.rim[twin[v[0]]] = scratch.rim[twin[v[1]]] = scratch.rim[twin[v[2]]] = 1;
    }
  }
  // Each run of triangles writes what it keeps at the start of its own stretch
  // of the output; the stretches are then closed up in order.
  triangles.resize(3 * triangleCount);
  for (StripsFound& found : scratch.found) found.kept = 0;
  std::vector<size_t>& firsts = scratch.firsts;
  firsts.assign(scratch.found.size(), triangleCount);
  const int count = static_cast<int>(triangleCount);
  workersFor(count, kMinTriangles, [&](int part, int first, int end) {
    firsts[static_cast<size_t>(part)] = static_cast<size_t>(first);
    GLuint* out = triangles.data() + 3 * static_cast<size_t>(first);
    GLuint* const start = out;
    for (size_t i = static_cast<size_t>(first); i < static_cast<size_t>(end); ++i) {
      const GLuint* v = &scratch.corners[3 * i];
      // The k-th triangle of a strip has its corners at places k to k + 2.
      const size_t corner0 = i / perStrip * length + i % perStrip;
      const size_t place[3] = {corner0, corner0 + 1, corner0 + 2};
      if (scratch.facing[i] == away) {
        bool shared[3];
        for (int c = 0; c < 3; ++c) shared[c] = scratch.rim[twin[arrays.indices[place[c]]]];
        if (!shared[0] && !shared[1] && !shared[2]) continue;
        if (tiesOnlyByTheRim && !meetingNearPixelCentre(scratch, place, shared, kMeetingReach)) {
          continue;
        }
      }
      if (viewport && !boxHoldsPixelCentre(scratch, place[0], place[1], place[2])) continue;
      out[0] = v[0];
      out[1] = v[1];
      out[2] = v[2];
      out += 3;
    }
    scratch.found[static_cast<size_t>(part)].kept = static_cast<size_t>(out - start) / 3;
  });
  size_t total = 0;
  for (size_t part = 0; part < scratch.found.size(); ++part) {
    const size_t kept = scratch.found[part].kept;
    if (kept == 0) continue;
    if (firsts[part] != total) {
      std::copy_n(triangles.data() + 3 * firsts[part], 3 * kept, triangles.data() + 3 * total);
    }
    total += kept;
  }
  triangles.resize(3 * total);
  return true;
}
