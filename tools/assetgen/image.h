// Pictures while they are painted: floating-point RGBA, straight alpha, rows
// top first, and the helpers the painters share.
#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
  double r, g, b;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb mix(Rgb a, Rgb b, double t) { return a * (1.0 - t) + b * t; }
// 0xRRGGBB as a colour.
Rgb hexColour(uint32_t rgb);
double clamp01(double x);
double smoothstep(double edge0, double edge1, double x);

// One painted sample: colour and coverage.
struct Rgba {
  Rgb colour;
  double alpha;
};

// A picture being painted; `alpha` says whether the file keeps the channel.
struct Image {
  int width = 0;
  int height = 0;
  bool alpha = false;
  std::vector<float> rgba;  // width * height * 4, each 0..1
};

void makeImage(Image& image, int width, int height, bool alpha);
float* pixelAt(Image& image, int x, int y);

// Paints every pixel as the mean of samples x samples calls of `paint(u, v)`,
// u running 0..1 left to right and v 0..1 top to bottom (sample positions,
// so edges come out anti-aliased). `paint` returns an Rgba.
template <typename Paint>
void paintImage(Image& image, int samples, Paint paint) {
  const double inv = 1.0 / samples;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      double sum[4] = {0, 0, 0, 0};
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const double u = (x + (sx + 0.5) * inv) / image.width;
          const double v = (y + (sy + 0.5) * inv) / image.height;
          const Rgba s = paint(u, v);
          sum[0] += s.colour.r;
          sum[1] += s.colour.g;
          sum[2] += s.colour.b;
          sum[3] += s.alpha;
        }
      }
      float* px = pixelAt(image, x, y);
      for (int c = 0; c < 4; ++c) px[c] = static_cast<float>(sum[c] * inv * inv);
    }
  }
}

// Mirrors the picture left to right.
void flipColumns(Image& image);

// Smooth value noise in [0, 1] on a lattice of unit cells; with `periodX` > 0
// it repeats every periodX cells along x (for pictures wrapped around a body).
double valueNoise(double x, double y, uint32_t seed, int periodX = 0);
// Sum of `octaves` noise layers, each twice as fine and half as strong; [0, 1].
double fractalNoise(double x, double y, int octaves, uint32_t seed, int periodX = 0);

// Writes the picture as an 8-bit RGB or RGBA PNG (by `image.alpha`), with no
// time stamp, so equal pictures give equal files. Returns 1, or 0 with a
// message on standard error when the file cannot be written.
int writePng(const char* path, const Image& image);
