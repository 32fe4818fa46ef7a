#include "tools/assetgen/image.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>

#include "score/rng.h"

namespace {
// zlib's strongest setting: the pictures are written once per build.
constexpr int kPngCompression = 9;

uint8_t toByte(float value) {
  return static_cast<uint8_t>(std::lround(clamp01(value) * 255.0));
}

double fade(double t) { return t * t * (3.0 - 2.0 * t); }

int wrap(int i, int period) {
  if (period <= 0) return i;
  const int m = i % period;
  return m < 0 ? m + period : m;
}

void pngFailed(png_structp png, png_const_charp message) {
  std::fprintf(stderr, "assetgen: png: %s\n", message);
  std::longjmp(png_jmpbuf(png), 1);
}
}  // namespace

Rgb hexColour(uint32_t rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

double clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }

double smoothstep(double edge0, double edge1, double x) {
  const double t = clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0 - 2.0 * t);
}

void makeImage(Image& image, int width, int height, bool alpha) {
  image.width = width;
  image.height = height;
  image.alpha = alpha;
  image.rgba.assign(static_cast<size_t>(width) * height * 4, 0.0f);
}

float* pixelAt(Image& image, int x, int y) {
  return &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
}

void flipColumns(Image& image) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width / 2; ++x) {
      std::swap_ranges(pixelAt(image, x, y), pixelAt(image, x, y) + 4,
                       pixelAt(image, image.width - 1 - x, y));
    }
  }
}

double valueNoise(double x, double y, uint32_t seed, int periodX) {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  const int x0 = static_cast<int>(fx);
  const int y0 = static_cast<int>(fy);
  const double tx = fade(x - fx);
  const double ty = fade(y - fy);
  const double a = latticeHash(wrap(x0, periodX), y0, seed);
  const double b = latticeHash(wrap(x0 + 1, periodX), y0, seed);
  const double c = latticeHash(wrap(x0, periodX), y0 + 1, seed);
  const double d = latticeHash(wrap(x0 + 1, periodX), y0 + 1, seed);
  return (a + (b - a) * tx) * (1.0 - ty) + (c + (d - c) * tx) * ty;
}

double fractalNoise(double x, double y, int octaves, uint32_t seed, int periodX) {
  double sum = 0.0;
  double weight = 0.5;
  double total = 0.0;
  for (int i = 0; i < octaves; ++i) {
    sum += valueNoise(x, y, seed + 977u * i, periodX) * weight;
    total += weight;
    x *= 2.0;
    y *= 2.0;
    periodX *= 2;
    weight *= 0.5;
  }
  return sum / total;
}

namespace {
// libpng reports a failure by a jump back into the setjmp below: the writing
// runs in a frame of its own that holds nothing the jump could leave behind.
bool writeRows(png_structp png, png_infop info, FILE* file, const Image& image,
               png_bytepp rows) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  png_set_compression_level(png, kPngCompression);
  png_set_IHDR(png, info, image.width, image.height, 8,
               image.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}
}  // namespace

int writePng(const char* path, const Image& image) {
  FILE* file = std::fopen(path, "wb");
  if (!file) {
    std::fprintf(stderr, "assetgen: cannot write %s\n", path);
    return 0;
  }
  const int channels = image.alpha ? 4 : 3;
  std::vector<uint8_t> bytes(static_cast<size_t>(image.width) * image.height * channels);
  for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
    for (int c = 0; c < channels; ++c) bytes[i * channels + c] = toByte(image.rgba[i * 4 + c]);
  }
  std::vector<png_bytep> rows(image.height);
  for (int y = 0; y < image.height; ++y) {
    rows[y] = bytes.data() + static_cast<size_t>(y) * image.width * channels;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info && writeRows(png, info, file, image, rows.data());
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "assetgen: writing %s failed\n", path);
    std::remove(path);
  }
  return ok;
}
