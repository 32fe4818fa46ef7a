#include "platform/gfx.h"

const GfxCalls gfxDirect = {
  glClear, glColor4f, glEnable, glDisable, glLoadIdentity, glRotatef, glTranslatef,
  glBindTexture, glBegin, glEnd, glTexCoord2d, glVertex3f, glVertex3fv, glNormal3fv,
  glPolygonMode, glFlush,
};

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
};

const GfxCalls* gfx = &gfxDirect;
