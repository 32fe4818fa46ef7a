// The desktop's table: every call straight into libGL.
#include "platform/gfx.h"

const GfxCalls gfxDirect = {
  glClear, glColor4f, glEnable, glDisable, glLoadIdentity, glRotatef, glTranslatef,
  glBindTexture, glBegin, glEnd, glTexCoord2d, glVertex3f, glVertex3fv, glNormal3fv,
  glPolygonMode, glFlush,
};
