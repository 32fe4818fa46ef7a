#include "assets/textures.h"

#include <cstring>

TextureSlot textureSlots[kTextureSlots];

namespace {
// The picture file of each slot, relative to the working directory; the last
// slot names none.
constexpr const char* kSlotFiles[kTextureSlots] = {
    "tex00.png", "tex01.png", "tex02.png", "tex03.png", "tex04.png", "tex05.png", "tex06.png",
    "tex07.png", "tex08.png", "tex09.png", "tex10.png", "tex11.png", "tex12.png", "tex13.png",
    "tex14.png", "tex15.png", "tex16.png", "tex17.png", "tex18.png", nullptr,
};

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
