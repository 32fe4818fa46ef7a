// The tables every GL back-end shares: the one that draws nothing, the one
// that only keeps state, and the table in use. Each back-end defines gfxDirect.
#include "gfx/gfx.h"

const GfxCalls gfxDiscard = {
  [](GLbitfield) {},
  [](GLfloat, GLfloat, GLfloat, GLfloat) {},
  [](GLenum) {},
  [](GLenum) {},
  [] {},
  [](GLfloat, GLfloat, GLfloat, GLfloat) {},
  [](GLfloat, GLfloat, GLfloat) {},
  [](GLenum, GLuint) {},
  [](GLenum) {},
  [] {},
  [](GLdouble, GLdouble) {},
  [](GLfloat, GLfloat, GLfloat) {},
  [](const GLfloat*) {},
  [](const GLfloat*) {},
  [](GLenum, GLenum) {},
  [] {},
  [](const GfxStripArrays&) {},
};

const GfxCalls* gfx = &gfxDirect;

GfxCalls gfxStateOnly() {
  GfxCalls calls = gfxDiscard;
  calls.color4f = gfxDirect.color4f;
  calls.enable = gfxDirect.enable;
  calls.disable = gfxDirect.disable;
  calls.bindTexture = gfxDirect.bindTexture;
  calls.polygonMode = gfxDirect.polygonMode;
  return calls;
}
