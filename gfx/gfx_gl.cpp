// The desktop's strips: OpenGL 1.1's vertex arrays, and for a closed surface
// only the triangles that can show. Every other call of the table goes
// straight into libGL.
#include "gfx/gfx.h"

#include <cstddef>
#include <vector>

#include "gfx/gfx_cull.h"

namespace {
// Whether the state lets the nearest surface alone decide each pixel: filled
// polygons, depth test and depth writes on, nothing discarded by alpha, and
// no blending but the one that replaces. Nor may anything drop fragments by
// the way a triangle turns or where it lies (face culling, clip planes), move
// depths by slope (polygon offset) or count fragments that fail (stencil):
// otherwise what lies behind may show.
bool nearestSurfaceWins() {
  GLint polygonMode[2], depthFunc, blendSource, blendDestination, clipPlanes = 0;
  GLboolean depthWrites;
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  glGetIntegerv(GL_BLEND_SRC, &blendSource);
  glGetIntegerv(GL_BLEND_DST, &blendDestination);
  glGetIntegerv(GL_MAX_CLIP_PLANES, &clipPlanes);
  for (GLint i = 0; i < clipPlanes; ++i) {
    if (glIsEnabled(static_cast<GLenum>(GL_CLIP_PLANE0 + i))) return false;
  }
  const bool replaces =
      !glIsEnabled(GL_BLEND) || (blendSource == GL_ONE && blendDestination == GL_ZERO);
  return polygonMode[0] == GL_FILL && polygonMode[1] == GL_FILL && glIsEnabled(GL_DEPTH_TEST) &&
         depthWrites && (depthFunc == GL_LESS || depthFunc == GL_LEQUAL) &&
         !glIsEnabled(GL_ALPHA_TEST) && replaces && !glIsEnabled(GL_CULL_FACE) &&
         !glIsEnabled(GL_STENCIL_TEST) && !glIsEnabled(GL_POLYGON_OFFSET_FILL);
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
  if (!arrays.twins || !nearestSurfaceWins()) return false;
  GLfloat modelview[16], projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
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
  if (closedSurfaceTriangles(arrays, visible)) {
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
