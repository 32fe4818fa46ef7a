// PNG files for the picture loader's tests, made with libpng's writer, and
// hand-built files for headers the writer refuses; a scratch folder per test
// and texture read-back for the GL tests.
#pragma once

#include <GL/gl.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The samples of one pixel in the file's own range (0 to 2^depth - 1), in the
// order of the colour type: grey; grey, alpha; R, G, B; R, G, B, A; or the
// palette index in the first entry.
using Samples = std::array<uint16_t, 4>;

struct PngRecipe {
  uint32_t width = 1;
  uint32_t height = 1;
  int colourType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  bool interlaced = false;
  // The pixel at (x, y), y counted from the top row of the picture.
  std::function<Samples(uint32_t x, uint32_t y)> sample = [](uint32_t, uint32_t) {
    return Samples{};
  };
  std::vector<png_color> palette;         // palette files
  std::vector<uint8_t> paletteAlpha;      // tRNS of a palette file
  bool hasTransparentColour = false;      // tRNS of a grey or RGB file
  png_color_16 transparentColour{};
  double gamma = 0.0;                     // gAMA chunk when above 0
};

// The whole file.
std::vector<uint8_t> encodePng(const PngRecipe& recipe);

// A solid 8-bit RGB or RGBA picture.
PngRecipe solidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b);
PngRecipe solidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b, uint8_t a);

// A file with a well-formed IHDR of any size and a few zero bytes of image
// data: for sizes the writer refuses or that would take gigabytes to write.
std::vector<uint8_t> pngWithHeader(uint32_t width, uint32_t height, uint8_t depth,
                                   uint8_t colourType);

// A copy of the file with a chunk of the given type and data (and its CRC)
// inserted before the first chunk of type `before`.
std::vector<uint8_t> withChunk(const std::vector<uint8_t>& file, const char* before,
                               const char* type, const std::vector<uint8_t>& data);

// The offset of the first chunk of the given type (its length field), or 0.
size_t findChunk(const std::vector<uint8_t>& file, const char* type);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Makes a folder named after the running test inside the working folder and
// enters it for the object's lifetime, so that test cases run side by side
// never see each other's files.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

 private:
  std::string previous_;
};

// Level 0 of a texture as RGBA, rows from t = 0 up.
struct TextureImage {
  GLint width = 0;
  GLint height = 0;
  std::vector<uint8_t> rgba;
  const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};
TextureImage readTexture(GLuint name);

// Draws the texture over the whole viewport, texture coordinates (0, 0) at the
// bottom left and (1, 1) at the top right.
void drawTextureOverViewport(GLuint name);
