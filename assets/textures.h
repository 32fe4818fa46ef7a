// The texture table: 20 slots, 19 of which name a picture file. Everything
// else refers to a picture by its slot's name (assets/slots.h).
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "assets/png_loader.h"
#include "assets/slots.h"

struct TextureSlot {
  GLuint id;             // GL texture name; 0 when the slot has no picture
  PictureInfo info;      // what the loader learnt; nothing reads it
  const char* fileName;  // relative to the working directory; null: empty slot
};

// The table; rewritten whole by every loadTextures, read by textureId.
extern TextureSlot textureSlots[kTextureSlots];

// Clears the table and loads every named file into the current GL context,
// slot by slot in ascending order. A file that fails leaves its slot at 0.
// Runs from initGL, so again on every window re-creation.
void loadTextures();

// The picture file a slot loads, relative to the working directory; null for
// the empty slot and for numbers outside the table. The page fetches these
// before the show starts.
const char* textureFileName(int slot);

// The GL texture name of a slot (kSlotParticle to kSlotEmpty); no range
// check. Called while drawing, several times a frame.
GLuint textureId(int32_t slot);
