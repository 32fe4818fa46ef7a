// The desktop's strips: OpenGL 1.1's vertex arrays, and for a closed surface
// only the triangles that can show. Every other call of the table goes
// straight into libGL.
#include "gfx/gfx.h"

#include <cstddef>
#include <cstdio>
#include <vector>

#include "gfx/gfx_cull.h"

namespace {
// The states below use calls of OpenGL 3.2 (separate blend equations, depth
// clamping, programs); an older context never leaves a triangle out.
constexpr int kGateMajor = 3;
constexpr int kGateMinor = 2;

bool contextNewEnough() {
  static int known = -1;
  if (known < 0) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    known = version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
                    (major > kGateMajor || (major == kGateMajor && minor >= kGateMinor))
                ? 1
                : 0;
  }
  return known == 1;
}

GLint integer(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

// Blending off, or blending that gives the incoming colour as it is: source
// times one plus destination times zero, for colour and alpha.
bool blendingReplaces() {
  if (!glIsEnabled(GL_BLEND)) return true;
  return integer(GL_BLEND_SRC_RGB) == GL_ONE && integer(GL_BLEND_SRC_ALPHA) == GL_ONE &&
         integer(GL_BLEND_DST_RGB) == GL_ZERO && integer(GL_BLEND_DST_ALPHA) == GL_ZERO &&
         integer(GL_BLEND_EQUATION_RGB) == GL_FUNC_ADD &&
         integer(GL_BLEND_EQUATION_ALPHA) == GL_FUNC_ADD;
}

// The GL state under which leaving out the triangles of a closed surface that
// cannot show is proven to change no pixel: the state the show draws its
// surfaces in. Each pixel must go to the nearest surface along its ray and to
// nothing else: triangles drawn, filled on both faces, by the fixed pipeline
// under the projection above; the depth test on (less, or less or equal),
// depth writes on, nearer depths smaller (a depth range with near below far)
// and nothing clamped; and no fragment dropped, moved in depth or mixed by
// any other test or mode (face culling, clip planes, polygon offset or
// stipple, alpha and stencil tests, logic operations, blending but the one
// that replaces). Any other state, and any state this list does not name,
// draws every strip.
bool provenState(const GLfloat* projection) {
  if (!contextNewEnough()) return false;
  if (!gfxPerspectiveFromTheOrigin(projection)) return false;
  if (integer(GL_RENDER_MODE) != GL_RENDER || integer(GL_CURRENT_PROGRAM) != 0) return false;
  GLint polygonMode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  if (polygonMode[0] != GL_FILL || polygonMode[1] != GL_FILL) return false;
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  GLfloat depthRange[2] = {0, 0};
  glGetFloatv(GL_DEPTH_RANGE, depthRange);
  const GLint depthFunc = integer(GL_DEPTH_FUNC);
  if (!glIsEnabled(GL_DEPTH_TEST) || !depthWrites || !(depthRange[0] < depthRange[1]) ||
      (depthFunc != GL_LESS && depthFunc != GL_LEQUAL) || glIsEnabled(GL_DEPTH_CLAMP)) {
    return false;
  }
  for (const GLenum cap : {GL_CULL_FACE, GL_POLYGON_OFFSET_FILL, GL_POLYGON_STIPPLE,
                           GL_ALPHA_TEST, GL_STENCIL_TEST, GL_COLOR_LOGIC_OP}) {
    if (glIsEnabled(cap)) return false;
  }
  const GLint clipPlanes = integer(GL_MAX_CLIP_PLANES);
  for (GLint i = 0; i < clipPlanes; ++i) {
    if (glIsEnabled(static_cast<GLenum>(GL_CLIP_PLANE0 + i))) return false;
  }
  return blendingReplaces();
}

// Whether each pixel is taken from its centre alone: no multisampling and no
// smoothed polygons, which also take pixels a triangle only touches.
bool samplesPixelCentres() {
  GLint sampleBuffers = 0;
  glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
  return (sampleBuffers == 0 || !glIsEnabled(GL_MULTISAMPLE)) && !glIsEnabled(GL_POLYGON_SMOOTH);
}

// The triangles of a closed surface that can show from where the eye stands
// now; false when every strip must be drawn.
bool closedSurfaceTriangles(const GfxStripArrays& arrays, std::vector<GLuint>& triangles) {
  if (!arrays.twins || !gfxVisibleTrianglesOn()) return false;
  GLfloat modelview[16], projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  if (!provenState(projection)) return false;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  GfxRaster raster;
  glGetIntegerv(GL_VIEWPORT, raster.viewport);
  glGetIntegerv(GL_DEPTH_BITS, &raster.depthBits);
  return gfxVisibleTriangles(arrays, modelview, projection,
                             samplesPixelCentres() ? &raster : nullptr, triangles);
}

}  // namespace

// OpenGL 1.1's vertex arrays, one glDrawElements per strip, or one for the
// triangles of a closed surface that can show. The arrays are
// switched off again afterwards, so that the immediate-mode calls of the rest
// of the frame see the state they always saw.
void gfxDrawStrips(const GfxStripArrays& arrays) {
  if (arrays.stripCount <= 0 || arrays.stripLength <= 0) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, arrays.stride, arrays.positions);
  if (arrays.normals) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, arrays.stride, arrays.normals);
  }
  if (arrays.texCoords) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, arrays.stride, arrays.texCoords);
  }
  static std::vector<GLuint> visible;
  if (arrays.twins) ++gfxCullCounts.closedSurfaces;
  if (closedSurfaceTriangles(arrays, visible)) {
    const size_t all = static_cast<size_t>(arrays.stripCount) * (arrays.stripLength - 2);
    ++gfxCullCounts.surfacesCulled;
    gfxCullCounts.trianglesLeftOut += all - visible.size() / 3;
    if (!visible.empty()) {
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(visible.size()), GL_UNSIGNED_INT,
                     visible.data());
    }
  } else {
    for (int k = 0; k < arrays.stripCount; ++k) {
      glDrawElements(GL_TRIANGLE_STRIP, arrays.stripLength, GL_UNSIGNED_INT,
                     arrays.indices + static_cast<size_t>(k) * arrays.stripLength);
    }
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  // A drawn array leaves its current value undefined; immediate mode would
  // have left the last vertex's.
  const GLuint last =
      arrays.indices[static_cast<size_t>(arrays.stripCount) * arrays.stripLength - 1];
  if (arrays.normals) {
    glDisableClientState(GL_NORMAL_ARRAY);
    glNormal3fv(gfxArrayAt(arrays.normals, arrays.stride, last));
  }
  if (arrays.texCoords) {
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoord2fv(gfxArrayAt(arrays.texCoords, arrays.stride, last));
  }
}
