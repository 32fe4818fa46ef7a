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

#include <cstdint>

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
  // from (gfx/gfx_cull.h) when the GL state lets the nearest surface
  // alone decide each pixel; the pixels stay the same.
  const GLuint* twins = nullptr;
};

// The entry of vertex `index` in one of a GfxStripArrays' arrays.
inline const GLfloat* gfxArrayAt(const GLfloat* first, GLsizei stride, GLuint index) {
  return reinterpret_cast<const GLfloat*>(reinterpret_cast<const char*>(first) +
                                          static_cast<long>(stride) * index);
}

// Every call of the table, once. Each row gives the call's name in the
// wrapper below (gfxName), its member in GfxCalls, the function the direct
// table forwards to, its parameters and the arguments passed on, whether its
// effect outlives the frame (a table that only keeps state makes it; see
// gfxStateOnly), and the kind the recorder files it under. Everything else
// (the table's members, the wrappers, every table) is generated from these
// rows, so no table can name a call in the wrong place or leave one out.
//
// gfxDrawStrips is not GL's own: each GL back-end defines it (gfx_gl.cpp
// with vertex arrays, the browser's on WebGL).
#define VANTOREL_GFX_CALLS(X)                                                                   \
  X(Clear, clear, glClear, (GLbitfield mask), (mask), false, Clear)                            \
  X(Color4f, color4f, glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a),   \
    true, Color)                                                                                \
  X(Enable, enable, glEnable, (GLenum cap), (cap), true, Enable)                                \
  X(Disable, disable, glDisable, (GLenum cap), (cap), true, Disable)                            \
  X(LoadIdentity, loadIdentity, glLoadIdentity, (), (), false, LoadIdentity)                    \
  X(Rotatef, rotatef, glRotatef, (GLfloat angleDegrees, GLfloat x, GLfloat y, GLfloat z),      \
    (angleDegrees, x, y, z), false, Rotate)                                                     \
  X(Translatef, translatef, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), false, \
    Translate)                                                                                  \
  X(BindTexture, bindTexture, glBindTexture, (GLenum target, GLuint texture), (target, texture), \
    true, BindTexture)                                                                          \
  X(Begin, begin, glBegin, (GLenum mode), (mode), false, Begin)                                 \
  X(End, end, glEnd, (), (), false, End)                                                        \
  X(TexCoord2d, texCoord2d, glTexCoord2d, (GLdouble s, GLdouble t), (s, t), false, TexCoord)   \
  X(Vertex3f, vertex3f, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), false,       \
    Vertex)                                                                                     \
  X(Vertex3fv, vertex3fv, glVertex3fv, (const GLfloat* v), (v), false, Vertex)                 \
  X(Normal3fv, normal3fv, glNormal3fv, (const GLfloat* v), (v), false, Normal)                 \
  X(PolygonMode, polygonMode, glPolygonMode, (GLenum face, GLenum mode), (face, mode), true,   \
    PolygonMode)                                                                                \
  X(Flush, flush, glFlush, (), (), false, Flush)                                                \
  X(Strips, strips, gfxDrawStrips, (const GfxStripArrays& arrays), (arrays), false, Strips)

// The back-end's strips: draws `arrays` as the struct above says. Defined by
// each GL back-end; reached through the table.
void gfxDrawStrips(const GfxStripArrays& arrays);

struct GfxCalls {
#define VANTOREL_GFX_MEMBER(Name, member, function, parameters, arguments, kept, recorded) \
  void(*member) parameters;
  VANTOREL_GFX_CALLS(VANTOREL_GFX_MEMBER)
#undef VANTOREL_GFX_MEMBER
};

// The table straight into the GL back-end linked in; the one in use unless a
// caller swaps it.
extern const GfxCalls gfxDirect;

// A table whose calls do nothing: frames run their updates but draw nothing.
extern const GfxCalls gfxDiscard;

// A table that draws nothing but makes, through gfxDirect, the calls whose
// effect outlives the frame (the colour, enabled capabilities, the bound
// texture, the polygon mode). Frames run through it reach a later frame in
// the state a whole run would have left there. Matrices are not kept: every
// frame starts from the identity.
extern const GfxCalls gfxStateOnly;

// The table in use. Owned here; swapped only between frames.
extern const GfxCalls* gfx;

// The GL state one frame leaves for the next that the next can see: which of
// the capabilities the frames switch are on. The colour, the bound texture
// and the polygon mode are set by every frame before it draws with them, so a
// frame never sees the last one's. Kept by the wrappers below from the calls
// made through them, whichever table is in use.
struct GfxState {
  uint32_t enabled;  // bit k: kGfxCarriedCaps[k] is on
};
// The capabilities the frames switch on and off. GL_BLEND, once on, stays on
// for the rest of the show.
constexpr GLenum kGfxCarriedCaps[] = {GL_BLEND, GL_TEXTURE_2D};
extern GfxState gfxState;

// The state of a context just made: every capability off. Called when a new
// context has been made current, before its first frame.
void resetGfxState();

// Makes GL's state what `state` says, through the table in use, and keeps it
// as gfxState. Called between frames when the show's state is put back.
void putGfxStateBack(const GfxState& state);

// Which call a wrapper stands for, for the state the wrappers keep.
enum class GfxCallId {
#define VANTOREL_GFX_ID(Name, member, function, parameters, arguments, kept, recorded) Name,
  VANTOREL_GFX_CALLS(VANTOREL_GFX_ID)
#undef VANTOREL_GFX_ID
};

// Notes a call in gfxState before it goes to the table: only switching a
// capability changes what gfxState holds.
void gfxNoteCap(GLenum cap, bool on);
template <GfxCallId id, typename... Arguments>
inline void gfxNote(const Arguments&...) {}
template <>
inline void gfxNote<GfxCallId::Enable, GLenum>(const GLenum& cap) {
  gfxNoteCap(cap, true);
}
template <>
inline void gfxNote<GfxCallId::Disable, GLenum>(const GLenum& cap) {
  gfxNoteCap(cap, false);
}

// gfxClear, gfxColor4f, ... gfxStrips: the calls the show draws with, each
// made through the table in use.
#define VANTOREL_GFX_WRAPPER(Name, member, function, parameters, arguments, kept, recorded) \
  inline void gfx##Name parameters {                                                      \
    gfxNote<GfxCallId::Name> arguments;                                                   \
    gfx->member arguments;                                                                \
  }
VANTOREL_GFX_CALLS(VANTOREL_GFX_WRAPPER)
#undef VANTOREL_GFX_WRAPPER
