// Which triangles of a closed surface can show in a frame.
//
// A software renderer spends most of a frame setting up and filling
// triangles, and on a closed mesh about half of them face away from the eye:
// every ray that reaches one of those first passes through a triangle facing
// the eye, far enough in front to win the depth test by a wide margin. Leaving
// them out changes no pixel, provided the ones on the rim stay: where a
// triangle facing away meets one facing the eye, the two lie at the same depth
// and either may own a pixel on their common edge; and near the outline, where
// the surface runs almost along the line of sight, a ray meets both sides a
// hair's breadth apart. So a triangle is left out only when it faces away by
// a clear angle and every triangle it shares a vertex with does too.
//
// The proof needs a surface that encloses a region the eye lies outside of,
// which this module checks for itself: every vertex must stand exactly where
// the twin the caller names for it stands (the grid's seam and poles repeat a
// position; bit for bit the same floats, or the strips would not close), every
// triangle must turn the same way around the surface's origin (a surface
// star-shaped around its origin does not cross itself), the eye must lie
// beyond the surface's furthest vertex from that origin, and no vertex may
// come near the near or far plane, where clipping would open the surface. The
// GL state it needs (a perspective projection, the nearest surface winning
// every pixel) the back-end checks before it asks (gfx_gl.cpp).
//
// The pass can be switched off, to draw every triangle and compare: the
// environment variable VANTOREL_VISIBLE_TRIANGLES=off does it for a whole run
// of any program, gfxSetVisibleTriangles from within.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gfx.h"

// What the caller knows of how the renderer turns triangles into pixels.
struct GfxRaster {
  GLint viewport[4];  // x, y, width, height in pixels, as glGetIntegerv gives it
  int depthBits;      // of the depth buffer drawn into
};

// Whether `projection` (column after column) is a perspective projection
// seen from the origin of eye space, as gluPerspective and glFrustum make
// them: w = -z (last row 0 0 -1 0), screen x and y from x, y and z only, and
// a depth that grows with the distance along every ray (row 2 from z alone,
// with a negative constant). The proof below holds for these alone; each
// back-end asks it before it asks for the triangles.
bool gfxPerspectiveFromTheOrigin(const GLfloat* projection);

// Whether a back-end may leave triangles out: on, unless switched off by
// VANTOREL_VISIBLE_TRIANGLES (off, no or 0; read on the first call) or by
// gfxSetVisibleTriangles. Asked before every closed surface is drawn.
bool gfxVisibleTrianglesOn();
void gfxSetVisibleTriangles(bool on);

// What the pass has done since the process started, for tests and reports:
// the closed surfaces drawn, those drawn with triangles left out, and the
// triangles left out in all.
struct GfxCullCounts {
  uint64_t closedSurfaces;
  uint64_t surfacesCulled;
  uint64_t trianglesLeftOut;
};
extern GfxCullCounts gfxCullCounts;

// Called by a back-end before it draws strips whose arrays name twins, with
// GL's current model-view and projection matrices (column after column, as
// glGetFloatv gives them). On true, `triangles` holds three vertex numbers a
// triangle, in the order GL takes them from the strips (the k-th triangle of
// a strip is v[k], v[k+1], v[k+2] for even k and v[k+1], v[k], v[k+2] for odd
// k) and in the strips' order, of every triangle that can show: drawing them
// as GL_TRIANGLES gives the pixels and depths the strips give. On false the
// surface cannot be shown closed from this eye (or arrays.twins is null):
// draw every strip; so too when a vertex does not stand bit for bit where its
// twin does. `triangles` is the caller's, reused from call to call.
//
// `raster` is given when the renderer takes each pixel from its centre alone
// (no multisampling, no polygon smoothing). Triangles too small or too thin
// to hold a pixel centre are then left out as well, whichever way they face;
// and with a depth buffer of 24 bits or more, a triangle facing away on the
// rim is left out too unless a pixel centre lies right by the corners or
// edges it shares with the triangles that do not face away: only there can
// the two tie in depth. Null keeps them all. The work is shared with the
// helper threads (platform/workers.h).
bool gfxVisibleTriangles(const GfxStripArrays& arrays, const GLfloat modelview[16],
                         const GLfloat projection[16], const GfxRaster* raster,
                         std::vector<GLuint>& triangles);
