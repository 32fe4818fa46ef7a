#include "tests/assets/test_pictures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace {
void appendToVector(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

int channelsOf(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    default:
      return 4;
  }
}

// One row in the file's packing: samples below 8 bits packed from the high
// bit down, 16-bit samples big-endian.
std::vector<uint8_t> packRow(const PngRecipe& recipe, uint32_t y) {
  const int channels = channelsOf(recipe.colourType);
  const size_t bits = static_cast<size_t>(recipe.width) * channels * recipe.depth;
  std::vector<uint8_t> row((bits + 7) / 8, 0);
  size_t bit = 0;
  for (uint32_t x = 0; x < recipe.width; ++x) {
    const Samples s = recipe.sample(x, y);
    for (int c = 0; c < channels; ++c, bit += recipe.depth) {
      if (recipe.depth == 16) {
        row[bit / 8] = static_cast<uint8_t>(s[c] >> 8);
        row[bit / 8 + 1] = static_cast<uint8_t>(s[c]);
      } else {
        const unsigned shift = 8 - recipe.depth - bit % 8;
        row[bit / 8] |= static_cast<uint8_t>(s[c] << shift);
      }
    }
  }
  return row;
}

// The writing itself, apart from any C++ object that libpng's longjmp could skip.
bool writePng(png_structp png, png_infop info, const PngRecipe& recipe, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, recipe.width, recipe.height, recipe.depth, recipe.colourType,
               recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!recipe.palette.empty()) {
    png_set_PLTE(png, info, recipe.palette.data(), static_cast<int>(recipe.palette.size()));
  }
  if (!recipe.paletteAlpha.empty()) {
    png_set_tRNS(png, info, recipe.paletteAlpha.data(), static_cast<int>(recipe.paletteAlpha.size()),
                 nullptr);
  }
  if (recipe.hasTransparentColour) {
    png_color_16 colour = recipe.transparentColour;
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  if (recipe.gamma > 0.0) png_set_gAMA(png, info, recipe.gamma);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

void appendBigEndian(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void appendChunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& data) {
  appendBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  appendBigEndian(out, static_cast<uint32_t>(crc32(0, out->data() + start, out->size() - start)));
}
}  // namespace

std::vector<uint8_t> encodePng(const PngRecipe& recipe) {
  std::vector<uint8_t> file;
  std::vector<std::vector<uint8_t>> packed;
  for (uint32_t y = 0; y < recipe.height; ++y) packed.push_back(packRow(recipe, y));
  std::vector<png_bytep> rows;
  for (auto& row : packed) rows.push_back(row.data());

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &file, appendToVector, flushNothing);
  const bool ok = writePng(png, info, recipe, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!ok) file.clear();
  return file;
}

PngRecipe solidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
  PngRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.sample = [=](uint32_t, uint32_t) { return Samples{r, g, b, 0}; };
  return recipe;
}

PngRecipe solidPicture(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b,
                     uint8_t a) {
  PngRecipe recipe = solidPicture(width, height, r, g, b);
  recipe.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  recipe.sample = [=](uint32_t, uint32_t) { return Samples{r, g, b, a}; };
  return recipe;
}

std::vector<uint8_t> pngWithHeader(uint32_t width, uint32_t height, uint8_t depth,
                                   uint8_t colourType) {
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  appendBigEndian(&header, width);
  appendBigEndian(&header, height);
  header.insert(header.end(), {depth, colourType, 0, 0, 0});
  appendChunk(&file, "IHDR", header);
  if (colourType == PNG_COLOR_TYPE_PALETTE) appendChunk(&file, "PLTE", {0, 0, 0});
  const uint8_t zeros[64] = {};
  std::vector<uint8_t> data(compressBound(sizeof zeros));
  uLongf length = data.size();
  compress(data.data(), &length, zeros, sizeof zeros);
  data.resize(length);
  appendChunk(&file, "IDAT", data);
  appendChunk(&file, "IEND", {});
  return file;
}

std::vector<uint8_t> withChunk(const std::vector<uint8_t>& file, const char* before,
                               const char* type, const std::vector<uint8_t>& data) {
  const size_t at = findChunk(file, before);
  std::vector<uint8_t> chunk;
  appendChunk(&chunk, type, data);
  std::vector<uint8_t> out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at));
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
  return out;
}

size_t findChunk(const std::vector<uint8_t>& file, const char* type) {
  for (size_t at = 8; at + 8 <= file.size();) {
    if (std::memcmp(file.data() + at + 4, type, 4) == 0) return at;
    const uint32_t length = (uint32_t{file[at]} << 24) | (uint32_t{file[at + 1]} << 16) |
                            (uint32_t{file[at + 2]} << 8) | file[at + 3];
    at += 12 + static_cast<size_t>(length);
  }
  return 0;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

ScratchFolder::ScratchFolder() {
  char here[PATH_MAX] = {};
  if (getcwd(here, sizeof here)) previous_ = here;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "scratch";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  mkdir(name.c_str(), 0755);
  EXPECT_EQ(chdir(name.c_str()), 0) << name;
}

ScratchFolder::~ScratchFolder() {
  if (!previous_.empty()) {
    EXPECT_EQ(chdir(previous_.c_str()), 0);
  }
}

TextureImage readTexture(GLuint name) {
  TextureImage image;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
  image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!image.rgba.empty()) {
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  }
  return image;
}

void drawTextureOverViewport(GLuint name) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, name);
  glColor4f(1, 1, 1, 1);
  glBegin(GL_QUADS);
  glTexCoord2d(0, 0);
  glVertex2f(-1, -1);
  glTexCoord2d(1, 0);
  glVertex2f(1, -1);
  glTexCoord2d(1, 1);
  glVertex2f(1, 1);
  glTexCoord2d(0, 1);
  glVertex2f(-1, 1);
  glEnd();
  glFinish();
}
