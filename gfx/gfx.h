// The GL calls the show draws its frames with.
//
// Every per-frame GL call of the director and the effects goes through this
// table rather than straight to libGL. Normally the table forwards to GL
// unchanged; the one call that is not GL's own, strips, sends whole triangle
// strips from arrays with OpenGL 1.1's vertex arrays, so that a mesh of
// 65,000 vertices costs a few hundred calls instead of 200,000. Two callers
// swap the table: tests install a recorder to see exactly which strips and
// vertices a frame emits, and the capture tool installs a table that does
// nothing while it fast-forwards through frames it does not encode. Set-up
// work (textures, projection, fixed state) calls GL directly; it runs only
// when a context is made.
#pragma once

#include <GL/gl.h>

// Triangle strips read from arrays of vertices. Strip k (0 to stripCount - 1)
// draws the stripLength vertices indices[k * stripLength + j], j = 0 to
// stripLength - 1, in that order. Drawing them gives exactly what
// glBegin(GL_TRIANGLE_STRIP), then for each vertex glNormal3fv of its normal
// (when there are normals), glTexCoord2f of its texture coordinates (when
// there are texture coordinates) and glVertex3fv of its position, then glEnd
// would give, strip after strip; the current normal and texture coordinates
// are left as the last vertex set them. The arrays belong to the caller and
// are read during the call only.
struct GfxStripArrays {
  const GLfloat* positions;  // x, y, z of vertex 0
  const GLfloat* normals;    // nx, ny, nz of vertex 0, or null: no normals sent
  const GLfloat* texCoords;  // s, t of vertex 0, or null: no texture coordinates sent
  GLsizei stride;            // bytes from one vertex to the next, in all three arrays
  const GLuint* indices;     // stripCount * stripLength vertex numbers, strip after strip
  int stripCount;
  int stripLength;           // vertices per strip
  // Null, or the strips close a surface up and twins[i] is the vertex that
  // stands where vertex i does (i itself but on a seam or a pole). With twins
  // a back-end may leave out the triangles no pixel of the frame can come
  // from (platform/gfx_cull.h) when the GL state lets the nearest surface
  // alone decide each pixel; the pixels stay the same.
  const GLuint* twins = nullptr;
};

// The entry of vertex `index` in one of a GfxStripArrays' arrays.
inline const GLfloat* gfxArrayAt(const GLfloat* first, GLsizei stride, GLuint index) {
  return reinterpret_cast<const GLfloat*>(reinterpret_cast<const char*>(first) +
                                          static_cast<long>(stride) * index);
}

struct GfxCalls {
  void (*clear)(GLbitfield mask);
  void (*color4f)(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
  void (*enable)(GLenum cap);
  void (*disable)(GLenum cap);
  void (*loadIdentity)();
  void (*rotatef)(GLfloat angleDegrees, GLfloat x, GLfloat y, GLfloat z);
  void (*translatef)(GLfloat x, GLfloat y, GLfloat z);
  void (*bindTexture)(GLenum target, GLuint texture);
  void (*begin)(GLenum mode);
  void (*end)();
  void (*texCoord2d)(GLdouble s, GLdouble t);
  void (*vertex3f)(GLfloat x, GLfloat y, GLfloat z);
  void (*vertex3fv)(const GLfloat* v);
  void (*normal3fv)(const GLfloat* v);
  void (*polygonMode)(GLenum face, GLenum mode);
  void (*flush)();
  void (*strips)(const GfxStripArrays& arrays);
};

// The table straight into libGL; the one in use unless a caller swaps it.
extern const GfxCalls gfxDirect;

// A table whose calls do nothing: frames run their updates but draw nothing.
extern const GfxCalls gfxDiscard;

// A table that draws nothing but keeps the GL state a frame leaves behind for
// the next (blending, polygon mode, the colour, texturing, the bound texture),
// built from gfxDirect. Frames run through it reach a later frame in the state
// a whole run would have left there. Matrices are not kept: every frame starts
// from the identity.
GfxCalls gfxStateOnly();

// The table in use. Owned here; swapped only between frames.
extern const GfxCalls* gfx;

inline void gfxClear(GLbitfield mask) { gfx->clear(mask); }
inline void gfxColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { gfx->color4f(r, g, b, a); }
inline void gfxEnable(GLenum cap) { gfx->enable(cap); }
inline void gfxDisable(GLenum cap) { gfx->disable(cap); }
inline void gfxLoadIdentity() { gfx->loadIdentity(); }
inline void gfxRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { gfx->rotatef(a, x, y, z); }
inline void gfxTranslatef(GLfloat x, GLfloat y, GLfloat z) { gfx->translatef(x, y, z); }
inline void gfxBindTexture(GLenum target, GLuint texture) { gfx->bindTexture(target, texture); }
inline void gfxBegin(GLenum mode) { gfx->begin(mode); }
inline void gfxEnd() { gfx->end(); }
inline void gfxTexCoord2d(GLdouble s, GLdouble t) { gfx->texCoord2d(s, t); }
inline void gfxVertex3f(GLfloat x, GLfloat y, GLfloat z) { gfx->vertex3f(x, y, z); }
inline void gfxVertex3fv(const GLfloat* v) { gfx->vertex3fv(v); }
inline void gfxNormal3fv(const GLfloat* v) { gfx->normal3fv(v); }
inline void gfxPolygonMode(GLenum face, GLenum mode) { gfx->polygonMode(face, mode); }
inline void gfxFlush() { gfx->flush(); }
inline void gfxStrips(const GfxStripArrays& arrays) { gfx->strips(arrays); }
