// The picture loader: reads a PNG file into a new, bound GL 2-D texture.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// What a load learnt of the picture: its width and height as stored in the
// file (before any scaling), its bit depth per channel, and the alpha bits of
// the uploaded texture (8 with an alpha channel, else 0).
struct PictureInfo {
  uint32_t width;
  uint32_t height;
  uint32_t depth;
  uint32_t alpha;
};

// Mipmap argument: upload level 0 only.
constexpr int kPictureNoMipmaps = 0;
// Alpha argument: an RGBA texture when the file has alpha (an alpha channel
// or a transparency chunk), else RGB.
constexpr int kPictureAlphaFromFile = -2;

// With 1: later loads store the picture bottom row first, so texture
// coordinate t = 0 is its bottom edge and t = 1 its top edge.
void pictureSetStandardOrientation(int standard);

// Loads `fileName` into a new GL_TEXTURE_2D with the given wrap mode (s and t)
// and filters; a side that is not a power of two is scaled up to the next one
// (within GL_MAX_TEXTURE_SIZE). Fills `info`. Returns the texture name, or 0
// when the file cannot be opened or decoded; never throws, never crashes.
GLuint pictureBind(const char* fileName, int mipmap, int alpha, PictureInfo* info, GLint wrap,
                   GLint minFilter, GLint magFilter);

// A decoded picture: 8 bits per channel, 3 or 4 channels, rows bottom first
// when the standard orientation is set, else top first.
struct DecodedPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 0;
  uint32_t fileDepth = 0;
  std::vector<uint8_t> pixels;
};

// The decode step on its own, from memory: no GL. Returns true on success.
// Rejects damaged data and dimensions whose pixel buffer would exceed
// `maxSide` on a side or a sane memory bound.
bool pictureDecode(const uint8_t* data, size_t size, uint32_t maxSide, DecodedPicture* out);
