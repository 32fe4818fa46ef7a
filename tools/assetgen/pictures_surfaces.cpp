// The mesh's two surfaces. Both are wrapped the same way: u runs once around
// the vertical axis (column 255 meets column 0 again), v from the top row of
// the grid (the top of the picture) to the bottom row, over 128 rows.
#include <cmath>

#include "tools/assetgen/lettering.h"
#include "tools/assetgen/pictures.h"

namespace {
// The globe: 8 latitude bands crossed by 16 segments, a check that shows the
// spin and the latitude rings that swell with the spectrum.
constexpr int kGlobeBands = 8;
constexpr int kGlobeSegments = 16;

// The grid is 128 rows by 256 columns. On the cube, rows 0 to 31 are the top
// face (rings around its centre), rows 32 to 95 the four sides, rows 96 to
// 127 the bottom face; columns 0 to 63, 64 to 127, ... walk the four sides.
constexpr double kGridRows = 127.0;
constexpr double kGridColumns = 255.0;
constexpr double kFaceRows = 32.0;
constexpr double kSideColumns = 64.0;
constexpr int kSides = 4;

// Distance to the nearest multiple of `step`.
double distanceToLine(double x, double step) {
  return std::fabs(x - std::round(x / step) * step);
}
}  // namespace

void paintGlobe(Image& image) {
  const Rgb bands[kGlobeBands] = {hexColour(0x24106B), hexColour(0x5A189A), hexColour(0x9D4EDD),
                                  hexColour(0xF72585), hexColour(0xFF9E00), hexColour(0x4CC9F0),
                                  hexColour(0x4361EE), hexColour(0x1B0A4A)};
  const Rgb line = hexColour(0xE8FCFF);
  const double pixelU = 1.0 / image.width;
  const double pixelV = 1.0 / image.height;
  paintImage(image, 2, [&](double u, double v) {
    const int band = static_cast<int>(v * kGlobeBands) % kGlobeBands;
    const int segment = static_cast<int>(u * kGlobeSegments) % kGlobeSegments;
    const double check = (band + segment) % 2 == 0 ? 1.0 : 0.62;
    const double grain = 0.85 + 0.3 * fractalNoise(u * 32.0, v * 16.0, 3, 7u, 32);
    Rgb colour = bands[band] * (check * grain);
    const double du = distanceToLine(u, 1.0 / kGlobeSegments) / pixelU;
    const double dv = distanceToLine(v, 1.0 / kGlobeBands) / pixelV;
    const double grid = std::exp(-du * du / 2.0) + std::exp(-dv * dv / 2.0);
    colour = mix(colour, line, clamp01(grid) * 0.85);
    return Rgba{{clamp01(colour.r), clamp01(colour.g), clamp01(colour.b)}, 1.0};
  });
}

// Four numbered neon panels round the sides and square targets on the top
// and the bottom face, so every face of the spinning cube tells itself apart.
void paintPanelCube(Image& image) {
  const Rgb sideColours[kSides] = {hexColour(0xFF006E), hexColour(0xFFBE0B), hexColour(0x3A86FF),
                                   hexColour(0x06D6A0)};
  Mask numerals;
  makeMask(numerals, image.width, image.height);
  const double panelHeightPx = image.height * (2.0 * kFaceRows / kGridRows);
  for (int side = 0; side < kSides; ++side) {
    char label[2] = {static_cast<char>('1' + side), 0};
    const double centreX = image.width * (side * kSideColumns + kSideColumns * 0.5) / kGridColumns;
    drawTextCentred(numerals, kTypefaceBold, panelHeightPx * 0.8, 0.0, centreX,
                    image.height * 0.5 + panelHeightPx * 0.29, label);
  }
  const Rgb topRing = hexColour(0x3CE0FF);
  const Rgb bottomRing = hexColour(0xFF7B00);
  const Rgb dark = hexColour(0x0A0618);
  paintImage(image, 2, [&](double u, double v) {
    const double row = v * kGridRows;
    const double column = u * kGridColumns;
    if (row < kFaceRows || row >= kGridRows - kFaceRows) {
      const bool top = row < kFaceRows;
      const double s = top ? row / kFaceRows : (kGridRows - row) / kFaceRows;
      const bool lit = static_cast<int>(s * 6.0) % 2 == 1 || s < 0.12;
      Rgb colour = lit ? (top ? topRing : bottomRing) : dark;
      colour = mix(colour, hexColour(0xFFFFFF), 1.0 - smoothstep(0.0, 0.03, 1.0 - s));
      return Rgba{colour, 1.0};
    }
    const int side = static_cast<int>(column / kSideColumns) % kSides;
    const double x = column / kSideColumns - std::floor(column / kSideColumns);
    const double y = (row - kFaceRows) / (2.0 * kFaceRows);
    const double edge = std::fmin(std::fmin(x, 1.0 - x), std::fmin(y, 1.0 - y));
    const Rgb bright = sideColours[side];
    const double scan = 0.5 + 0.5 * std::sin(y * 60.0);
    Rgb colour = bright * (0.12 + 0.06 * scan);
    colour = mix(colour, bright, 1.0 - smoothstep(0.05, 0.065, edge));
    colour = mix(colour, bright * 0.7, 1.0 - smoothstep(0.004, 0.012, std::fabs(edge - 0.11)));
    colour = mix(colour, hexColour(0xFFFFFF), 1.0 - smoothstep(0.0, 0.02, edge));
    colour = mix(colour, mix(bright, hexColour(0xFFFFFF), 0.35), maskAt(numerals, u, v));
    return Rgba{colour, 1.0};
  });
}
