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
// coordinate t = 0 is its bottom edge and t = 1 its top edge. With 0 (the
// state at process start) rows are stored top first. Called by loadTextures
// before its loads; the setting is process-wide and stays until changed.
void pictureSetStandardOrientation(int standard);

// Loads `fileName` into a new GL_TEXTURE_2D with the given wrap mode (s and t)
// and filters, one byte per channel, level 0 only; a side that is not a power
// of two is scaled up to the next one (within GL_MAX_TEXTURE_SIZE), so the
// whole picture spans texture coordinates 0 to 1. Needs a current GL context;
// leaves the new texture bound. Fills `info` (may be null) on success and
// zeroes it on failure. Returns the texture name, or 0 when the file cannot be
// opened or decoded, is larger than GL takes, or `mipmap` and `alpha` are not
// kPictureNoMipmaps and kPictureAlphaFromFile (the only modes it knows). A
// failure creates no texture name; nothing is reported, nothing is thrown.
// Pictures with gamma information (a gAMA chunk) are converted for a screen
// of gamma VIEWING_GAMMA (environment, 0.5 to 5.0; 2.2 when unset or out of
// range); pictures without it are taken as they are.
GLuint pictureBind(const char* fileName, int mipmap, int alpha, PictureInfo* info, GLint wrap,
                   GLint minFilter, GLint magFilter);

// A decoded picture: 8 bits per channel, 3 (RGB) or 4 (RGBA: the file has an
// alpha channel or a transparency chunk) channels, rows packed without
// padding, bottom first when the standard orientation is set, else top first.
struct DecodedPicture {
  uint32_t width = 0;      // pixels, as stored in the file
  uint32_t height = 0;     // pixels, as stored in the file
  uint32_t channels = 0;   // 3 or 4
  uint32_t fileDepth = 0;  // bits per sample in the file (1 to 16)
  std::vector<uint8_t> pixels;
};

// The decode step on its own, from memory: no GL. Returns 1 on success and
// fills `out`; on failure leaves `out` empty. Every colour type, bit depth and
// interlace of PNG is read; 16-bit samples are rounded to 8 bits. Rejects
// damaged or truncated data (a bad CRC in any chunk included), a side larger
// than `maxSide`, and pictures whose power-of-two texture would exceed
// 4096 x 4096 texels, before taking any pixel memory.
int pictureDecode(const uint8_t* data, size_t size, uint32_t maxSide, DecodedPicture* out);
