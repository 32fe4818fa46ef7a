#include "assets/textures.h"

#include <cstring>

TextureSlot textureSlots[kTextureSlots];

namespace {
// Clamped edges and linear filtering: every picture is drawn whole, once,
// across its quad, never tiled.
constexpr GLint kWrap = GL_CLAMP;
constexpr GLint kFilter = GL_LINEAR;
}  // namespace

void loadTextures() {
  std::memset(textureSlots, 0, sizeof textureSlots);
  pictureSetStandardOrientation(1);
  for (int slot = 0; slot < kTextureSlots; ++slot) textureSlots[slot].fileName = kSlotFiles[slot];
  for (TextureSlot& slot : textureSlots) {
    if (!slot.fileName) continue;
    slot.id = pictureBind(slot.fileName, kPictureNoMipmaps, kPictureAlphaFromFile, &slot.info,
                          kWrap, kFilter, kFilter);
  }
}

const char* textureFileName(int slot) {
  return slot >= 0 && slot < kTextureSlots ? kSlotFiles[slot] : nullptr;
}

GLuint textureId(int32_t slot) { return textureSlots[slot].id; }
