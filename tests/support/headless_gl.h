// A GL context without a display for tests (Mesa's llvmpipe through EGL's
// surfaceless platform), with pixel reads. The projection is the test's to
// set (resizeScene sets the show's).
#pragma once

#include <cstdint>

struct Rgba {
  uint8_t r, g, b, a;
};

// Creates a context of the given size and makes it current; destroys it at
// the end of the scope. ok() tells whether EGL gave one.
class HeadlessGl {
 public:
  HeadlessGl(int width = 320, int height = 180);
  ~HeadlessGl();
  HeadlessGl(const HeadlessGl&) = delete;
  HeadlessGl& operator=(const HeadlessGl&) = delete;

  bool ok() const { return ok_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // The pixel at (x, y) with y counted from the top row of the image.
  Rgba pixel(int x, int y) const;
  // Writes the whole image as a PNG file (for looking at a failure).
  bool savePng(const char* path) const;

 private:
  bool ok_;
  int width_, height_;
};

// Binds, made on the first call in the current context, an 8 x 8 texture with
// a different colour in every texel, filtered linearly, so that any change in
// a texture coordinate shows in the pixels.
void bindGradientTexture();
