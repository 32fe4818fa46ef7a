#include "assets/textures.h"

TextureSlot textureSlots[kTextureSlots];

void loadTextures() {}
GLuint textureId(int32_t slot) { return textureSlots[slot].id; }
