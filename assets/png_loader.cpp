#include "assets/png_loader.h"

#include <GL/glu.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// 1 after pictureSetStandardOrientation(1): decoded rows run bottom first.
int standardOrientation = 0;

// The screen exponent assumed when VIEWING_GAMMA names none: an sRGB screen.
constexpr double kDefaultViewingGamma = 2.2;
// VIEWING_GAMMA values outside this range are typing errors rather than
// screens: real ones lie between 1.0 (linear) and about 2.8 (PAL).
constexpr double kLowestViewingGamma = 0.5;
constexpr double kHighestViewingGamma = 5.0;

// The most texels a picture may become once its sides are rounded up to
// powers of two: a 4096 x 4096 texture, 64 MiB at 4 bytes per texel. The
// show's pictures are at most about a thousand texels on a side; a header that
// asks for more is damage, refused before any pixel memory is taken.
constexpr uint64_t kMaxTexels = 4096ull * 4096ull;

// GL keeps at most one flag per kind of error; more reads than that mean a
// driver that never clears them.
constexpr int kMaxPendingGlErrors = 16;

struct MemorySource {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

// What the header step learnt, kept in plain data so that libpng's longjmp
// never leaves a C++ object half-alive.
struct PngReader {
  png_structp png;
  png_infop info;
  uint32_t width;
  uint32_t height;
  uint32_t channels;
  uint32_t fileDepth;  // bits per sample as stored in the file
  size_t rowBytes;
};

void readFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (length > source->size - source->offset) png_error(png, "unexpected end of data");
  std::memcpy(out, source->data + source->offset, length);
  source->offset += length;
}

void readFromFile(png_structp png, png_bytep out, size_t length) {
  auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
  if (std::fread(out, 1, length, file) != length) png_error(png, "unexpected end of file");
}

// A picture that fails to load is not reported: errors only end the decode,
// warnings are dropped.
void failQuietly(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

uint64_t nextPowerOfTwo(uint64_t side) {
  uint64_t power = 1;
  while (power < side) power <<= 1;
  return power;
}

// The screen exponent to convert pictures with gamma information to.
double viewingGamma() {
  const char* text = std::getenv("VIEWING_GAMMA");
  if (!text) return kDefaultViewingGamma;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0') return kDefaultViewingGamma;
  if (!(value >= kLowestViewingGamma && value <= kHighestViewingGamma)) {
    return kDefaultViewingGamma;
  }
  return value;
}

// Reads the header and sets up the conversion to 8-bit RGB or RGBA; `readFn`
// reads from `io`. Returns false
// on damaged data and on pictures larger than `maxSide` or kMaxTexels.
bool readHeader(PngReader* reader, void* io, png_rw_ptr readFn, uint32_t maxSide) {
  png_structp png = reader->png;
  png_infop info = reader->info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, io, readFn);
  png_set_user_limits(png, maxSide, maxSide);
  // A damaged chunk of any kind marks a damaged file.
  png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
  // Ancillary chunks other than tRNS and gAMA are skipped unread (their CRC is
  // still checked): libpng would otherwise take memory for a text chunk by its
  // declared length, up to 2 GiB, before finding the file too short.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  static const png_byte kGammaChunk[] = "gAMA";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kGammaChunk, 1);
  png_read_info(png, info);

  const uint32_t width = png_get_image_width(png, info);
  const uint32_t height = png_get_image_height(png, info);
  reader->fileDepth = png_get_bit_depth(png, info);
  if (width == 0 || height == 0 || width > maxSide || height > maxSide) return false;
  if (nextPowerOfTwo(width) * nextPowerOfTwo(height) > kMaxTexels) return false;

  // Palette to RGB, grey below 8 bits to 8, a transparency chunk to an alpha
  // channel; 16-bit samples rounded to the nearest 8-bit value (not converted
  // as linear light); grey copied into R, G and B.
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  // Pictures that say how they were encoded are converted for the screen they
  // are viewed on; pictures that do not are taken as made for it.
  double fileGamma = 0.0;
  if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, viewingGamma(), fileGamma);
  png_read_update_info(png, info);

  reader->width = width;
  reader->height = height;
  reader->channels = png_get_channels(png, info);
  reader->rowBytes = png_get_rowbytes(png, info);
  return png_get_bit_depth(png, info) == 8 && (reader->channels == 3 || reader->channels == 4) &&
         reader->rowBytes == static_cast<size_t>(width) * reader->channels;
}

// Reads every row into place and checks the rest of the file up to its end
// chunk, so that a truncated file fails.
bool readRows(PngReader* reader, png_bytepp rows) {
  if (setjmp(png_jmpbuf(reader->png))) return false;
  png_read_image(reader->png, rows);
  png_read_end(reader->png, nullptr);
  return true;
}

bool decode(void* io, png_rw_ptr readFn, uint32_t maxSide, DecodedPicture* out) {
  *out = DecodedPicture{};
  if (maxSide == 0) return false;
  if (maxSide > PNG_UINT_31_MAX) maxSide = PNG_UINT_31_MAX;
  PngReader reader{};
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
  if (!reader.png) return false;
  reader.info = png_create_info_struct(reader.png);
  bool ok = reader.info && readHeader(&reader, io, readFn, maxSide);
  if (ok) {
    out->pixels.resize(reader.rowBytes * reader.height);
    std::vector<png_bytep> rows(reader.height);
    for (uint32_t i = 0; i < reader.height; ++i) {
      const uint32_t stored = standardOrientation ? reader.height - 1 - i : i;
      rows[i] = out->pixels.data() + stored * reader.rowBytes;
    }
    ok = readRows(&reader, rows.data());
  }
  png_destroy_read_struct(&reader.png, reader.info ? &reader.info : nullptr, nullptr);
  if (!ok) {
    *out = DecodedPicture{};
    return false;
  }
  out->width = reader.width;
  out->height = reader.height;
  out->channels = reader.channels;
  out->fileDepth = reader.fileDepth;
  return true;
}

// The side of the texture for a picture side: the next power of two, within
// the largest power of two GL takes.
GLsizei textureSide(uint32_t side, GLint maxSide) {
  uint64_t largest = 1;
  while (largest * 2 <= static_cast<uint64_t>(maxSide)) largest <<= 1;
  const uint64_t wanted = nextPowerOfTwo(side);
  return static_cast<GLsizei>(wanted < largest ? wanted : largest);
}

// Scales the picture to power-of-two sides where it needs it and uploads it as
// level 0 of a new texture. Returns the texture name, 0 when GL refused.
GLuint upload(const DecodedPicture& picture, GLint maxSide, GLint wrap, GLint minFilter,
              GLint magFilter) {
  const GLsizei width = textureSide(picture.width, maxSide);
  const GLsizei height = textureSide(picture.height, maxSide);
  const GLenum format = picture.channels == 4 ? GL_RGBA : GL_RGB;
  const GLint internalFormat = picture.channels == 4 ? GL_RGBA8 : GL_RGB8;

  // Rows of RGB pixels are packed without padding, in and out of the scaler.
  GLint unpackAlignment = 4, packAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);

  const uint8_t* pixels = picture.pixels.data();
  std::vector<uint8_t> scaled;
  bool ok = true;
  if (static_cast<uint32_t>(width) != picture.width ||
      static_cast<uint32_t>(height) != picture.height) {
    scaled.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * picture.channels);
    ok = gluScaleImage(format, static_cast<GLint>(picture.width),
                       static_cast<GLint>(picture.height), GL_UNSIGNED_BYTE, pixels, width,
                       height, GL_UNSIGNED_BYTE, scaled.data()) == 0;
    pixels = scaled.data();
  }

  GLuint name = 0;
  if (ok) {
    for (int i = 0; i < kMaxPendingGlErrors && glGetError() != GL_NO_ERROR; ++i) {
    }
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE,
                 pixels);
    if (glGetError() != GL_NO_ERROR) {
      glDeleteTextures(1, &name);
      name = 0;
    }
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  return name;
}
}  // namespace

void pictureSetStandardOrientation(int standard) { standardOrientation = standard ? 1 : 0; }

int pictureDecode(const uint8_t* data, size_t size, uint32_t maxSide, DecodedPicture* out) {
  if (!out) return 0;
  MemorySource source{data, data ? size : 0, 0};
  return decode(&source, readFromMemory, maxSide, out);
}

GLuint pictureBind(const char* fileName, int mipmap, int alpha, PictureInfo* info, GLint wrap,
                   GLint minFilter, GLint magFilter) {
  if (info) *info = PictureInfo{};
  // Level 0 only and alpha as the file has it are the modes this loader knows.
  if (!fileName || mipmap != kPictureNoMipmaps || alpha != kPictureAlphaFromFile) return 0;
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  if (maxSide <= 0) return 0;

  std::FILE* file = std::fopen(fileName, "rb");
  if (!file) return 0;
  DecodedPicture picture;
  // Streamed from the file: no copy of it is held, whatever its size.
  const bool decoded = decode(file, readFromFile, static_cast<uint32_t>(maxSide), &picture);
  std::fclose(file);
  if (!decoded) return 0;

  const GLuint name = upload(picture, maxSide, wrap, minFilter, magFilter);
  if (name && info) {
    *info = PictureInfo{picture.width, picture.height, picture.fileDepth,
                        picture.channels == 4 ? 8u : 0u};
  }
  return name;
}
