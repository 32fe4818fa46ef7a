#include "tests/support/headless_gl.h"

#include <GL/gl.h>
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/headless/egl_context.h"

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

void bindGradientTexture() {
  static GLuint name = 0;
  if (!name) {
    uint8_t texels[8 * 8 * 3];
    for (int i = 0; i < 64; ++i) {
      texels[3 * i] = static_cast<uint8_t>(i * 4);
      texels[3 * i + 1] = static_cast<uint8_t>(255 - i * 3);
      texels[3 * i + 2] = static_cast<uint8_t>((i * 37) % 256);
    }
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
  glBindTexture(GL_TEXTURE_2D, name);
}
