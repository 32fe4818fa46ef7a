// The immediate-mode GL calls the show draws its frames with.
//
// Every per-frame GL call of the director and the effects goes through this
// table rather than straight to libGL. Normally the table forwards to GL
// unchanged. Two callers swap it: tests install a recorder to see exactly
// which strips and vertices a frame emits, and the capture tool installs a
// table that does nothing while it fast-forwards through frames it does not
// encode. Set-up work (textures, projection, fixed state) calls GL directly;
// it runs only when a context is made.
#pragma once

#include <GL/gl.h>

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
