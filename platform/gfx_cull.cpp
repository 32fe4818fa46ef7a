#include "platform/gfx_cull.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

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

// Scratch space kept from call to call: the mesh is drawn every frame.
struct Scratch {
  std::vector<GLuint> corners;  // three a triangle, in GL's order
  std::vector<int8_t> facing;   // by triangle
  std::vector<uint8_t> rim;     // by vertex: shared with a triangle that is not away
};
}  // namespace

bool gfxVisibleTriangles(const GfxStripArrays& arrays, const GLfloat modelview[16],
                         const GLfloat projection[16], std::vector<GLuint>& triangles) {
  triangles.clear();
  if (!arrays.twins || arrays.stripCount <= 0 || arrays.stripLength < 3) return false;
  Vec eye;
  if (!eyeInObjectSpace(modelview, eye)) return false;
  const GLuint* twin = arrays.twins;
  auto position = [&](GLuint index) {
    const GLfloat* p = gfxArrayAt(arrays.positions, arrays.stride, index);
    return Vec{p[0], p[1], p[2]};
  };
  // Clip z and w are the last two rows of projection * model-view.
  double clip[2][4];
  for (int r = 0; r < 2; ++r) {
    for (int column = 0; column < 4; ++column) {
      double sum = 0.0;
      for (int i = 0; i < 4; ++i) sum += at(projection, 2 + r, i) * at(modelview, i, column);
      clip[r][column] = sum;
    }
  }
  double furthest2 = 0.0;
  GLuint vertexCount = 0;
  // Takes in a vertex: false when the near or far plane would clip it.
  auto takeIn = [&](GLuint index) {
    const Vec p = position(index);
    const double z = clip[0][0] * p.x + clip[0][1] * p.y + clip[0][2] * p.z + clip[0][3];
    const double w = clip[1][0] * p.x + clip[1][1] * p.y + clip[1][2] * p.z + clip[1][3];
    furthest2 = std::max(furthest2, dot(p, p));
    vertexCount = std::max(vertexCount, std::max(index, twin[index]) + 1);
    return w > 0.0 && std::fabs(z) < w * (1.0 - kDepthMargin);
  };

  static Scratch scratch;
  const size_t perStrip = static_cast<size_t>(arrays.stripLength) - 2;
  const size_t triangleCount = perStrip * arrays.stripCount;
  scratch.corners.resize(3 * triangleCount);
  scratch.facing.resize(triangleCount);
  constexpr double kTolerance2 = kSignTolerance * kSignTolerance;
  constexpr double kAway2 = kAwaySine * kAwaySine;

  // Every triangle must turn the same way around the origin; that way tells
  // which side of the surface is its outside. Squares throughout, to spare a
  // square root per triangle.
  size_t turnsOneWay = 0, turnsOtherWay = 0;
  for (size_t k = 0; k < static_cast<size_t>(arrays.stripCount); ++k) {
    const GLuint* strip = arrays.indices + k * arrays.stripLength;
    if (!takeIn(strip[0]) || !takeIn(strip[1])) return false;
    for (size_t j = 0; j < perStrip; ++j) {
      const size_t i = k * perStrip + j;
      GLuint* v = &scratch.corners[3 * i];
      const bool odd = j % 2 == 1;
      v[0] = strip[odd ? j + 1 : j];
      v[1] = strip[odd ? j : j + 1];
      v[2] = strip[j + 2];
      if (!takeIn(v[2])) return false;
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
        ++(turn > 0.0 ? turnsOneWay : turnsOtherWay);
      }
      const Vec toEye = eye - a;
      const double facing = dot(normal, toEye);
      if (facing * facing > kAway2 * size2 * dot(toEye, toEye)) {
        scratch.facing[i] = facing > 0.0 ? kOneWay : kOtherWay;
      }
    }
  }
  if ((turnsOneWay != 0) == (turnsOtherWay != 0)) return false;
  if (!(dot(eye, eye) > furthest2 * kEyeMargin * kEyeMargin)) return false;
  // A triangle faces away when it faces against the way the surface turns.
  const int8_t away = turnsOneWay != 0 ? kOtherWay : kOneWay;

  scratch.rim.assign(vertexCount, 0);
  for (size_t i = 0; i < triangleCount; ++i) {
    if (scratch.facing[i] != away) {
      const GLuint* v = &scratch.corners[3 * i];
      scratch.rim[twin[v[0]]] = scratch.rim[twin[v[1]]] = scratch.rim[twin[v[2]]] = 1;
    }
  }
  triangles.resize(3 * triangleCount);
  GLuint* out = triangles.data();
  for (size_t i = 0; i < triangleCount; ++i) {
    const GLuint* v = &scratch.corners[3 * i];
    if (scratch.facing[i] == away && !scratch.rim[twin[v[0]]] && !scratch.rim[twin[v[1]]] &&
        !scratch.rim[twin[v[2]]]) {
      continue;
    }
    out[0] = v[0];
    out[1] = v[1];
    out[2] = v[2];
    out += 3;
  }
  triangles.resize(static_cast<size_t>(out - triangles.data()));
  return true;
}
