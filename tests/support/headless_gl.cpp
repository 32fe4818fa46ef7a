#include "tests/support/headless_gl.h"

#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/egl_context.h"

HeadlessGl::HeadlessGl(int width, int height)
    : ok_(eglContextCreate(width, height)), width_(width), height_(height) {}

HeadlessGl::~HeadlessGl() { eglContextDestroy(); }

Rgba HeadlessGl::pixel(int x, int y) const {
  Rgba out{};
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, height_ - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &out);
  return out;
}

bool HeadlessGl::savePng(const char* path) const {
  std::vector<uint8_t> image(static_cast<size_t>(width_) * height_ * 4);
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(width_);
  png.height = static_cast<png_uint_32>(height_);
  png.format = PNG_FORMAT_RGBA;
  // GL's rows run bottom up: a negative stride writes them top down.
  const png_int_32 stride = -static_cast<png_int_32>(width_ * 4);
  return png_image_write_to_file(&png, path, 0, image.data(), stride, nullptr) != 0;
}
