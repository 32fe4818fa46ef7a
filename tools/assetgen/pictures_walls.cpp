// The backdrop walls, one character per scene. A wall is 3 units deep and 4
// tall, beside the camera; it mostly sweeps past while the camera turns, so
// every wall is made of big, high-contrast shapes. Painters work in wall
// units (x 0..3 left to right as the viewer sees it, y 0..4 top to bottom),
// so circles stay round on the wall whatever the picture's size.
#include <cmath>

#include "tools/assetgen/pictures.h"
#include "score/rng.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kWallWidth = 3.0;
constexpr double kWallHeight = 4.0;

// The wall's texture runs from its front edge (s = 0) to its back edge, and
// the viewer faces it from the side where the front edge is on the right:
// the picture is painted as seen and stored mirrored.
template <typename Paint>
void paintWall(Image& image, Paint paint) {
  paintImage(image, 2, [&](double u, double v) {
    return Rgba{paint(u * kWallWidth, v * kWallHeight), 1.0};
  });
  flipColumns(image);
}

// One star per cell of `cell` units, where the cell's hash allows.
double starField(double x, double y, double cell, double density, uint32_t seed) {
  const int cx = static_cast<int>(std::floor(x / cell));
  const int cy = static_cast<int>(std::floor(y / cell));
  if (latticeHash(cx, cy, seed) > density) return 0.0;
  const double sx = (cx + 0.2 + 0.6 * latticeHash(cx, cy, seed + 1)) * cell;
  const double sy = (cy + 0.2 + 0.6 * latticeHash(cx, cy, seed + 2)) * cell;
  const double size = cell * (0.05 + 0.1 * latticeHash(cx, cy, seed + 3));
  const double d2 = ((x - sx) * (x - sx) + (y - sy) * (y - sy)) / (size * size);
  return std::exp(-d2);
}

// Height of a mountain ridge at x, in wall units from the top.
double ridge(double x, double base, double amplitude, uint32_t seed) {
  return base - amplitude * fractalNoise(x * 1.3, 0.5, 5, seed);
}
}  // namespace

// The opening: a windy night over mountains, with a large crescent moon.
void paintNightWall(Image& image) {
  const Rgb zenith = hexColour(0x070920);
  const Rgb horizon = hexColour(0x5B2A86);
  const Rgb moon = hexColour(0xFFF3C4);
  paintWall(image, [&](double x, double y) {
    Rgb colour = mix(zenith, horizon, smoothstep(0.0, 3.0, y));
    colour = colour + Rgb{0.9, 0.9, 1.0} * starField(x, y, 0.07, 0.35, 31u);
    for (int i = 0; i < 5; ++i) {
      const double line = 1.1 + 0.32 * i + 0.06 * std::sin(x * 2.5 + i * 1.7);
      const double streak = std::exp(-std::pow((y - line) / 0.012, 2.0));
      colour = colour + hexColour(0x8FD3FF) * (streak * 0.35 * std::sin(kPi * x / kWallWidth));
    }
    const double disc = std::hypot(x - 2.0, y - 0.95);
    const double bite = std::hypot(x - 2.22, y - 0.82);
    const double lit = (1.0 - smoothstep(0.44, 0.46, disc)) * smoothstep(0.40, 0.42, bite);
    colour = colour + moon * (0.25 * std::exp(-disc * 2.5));
    colour = mix(colour, moon, lit);
    if (y > ridge(x, 3.0, 0.8, 41u)) colour = hexColour(0x2A1650);
    if (y > ridge(x + 7.0, 3.6, 0.7, 43u)) colour = hexColour(0x0E0820);
    return colour;
  });
}

// The first drop: hazard stripes with a bold disc of counter-stripes.
void paintStripeWall(Image& image) {
  paintWall(image, [](double x, double y) {
    const double disc = std::hypot(x - 1.5, y - 2.0);
    const bool inside = disc < 1.05;
    const double phase = (inside ? (x - y) : (x + y)) * 2.2;
    const double stripe = std::fabs(phase - std::floor(phase) - 0.5);
    const double on = smoothstep(0.23, 0.27, stripe);
    Rgb colour = inside ? mix(hexColour(0xFB5607), hexColour(0xFFBE0B), on)
                        : mix(hexColour(0x1A0026), hexColour(0xFF006E), on);
    colour = mix(colour, hexColour(0xFFFFFF), 1.0 - smoothstep(0.03, 0.045, std::fabs(disc - 1.08)));
    return colour;
  });
}

// The credits: a circuit board of glowing traces around a central chip.
void paintCircuitWall(Image& image) {
  constexpr double kCell = 0.15;
  const Rgb board = hexColour(0x031B26);
  const Rgb trace = hexColour(0x00F5D4);
  paintWall(image, [&](double x, double y) {
    const int cx = static_cast<int>(std::floor(x / kCell));
    const int cy = static_cast<int>(std::floor(y / kCell));
    const double fx = x / kCell - cx - 0.5;
    const double fy = y / kCell - cy - 0.5;
    // A trace joins two neighbouring cells where their shared edge's hash
    // says so; each cell draws the halves that reach its centre.
    const bool left = latticeHash(cx - 1, cy, 101u) < 0.45;
    const bool right = latticeHash(cx, cy, 101u) < 0.45;
    const bool up = latticeHash(cx, cy - 1, 103u) < 0.4;
    const bool down = latticeHash(cx, cy, 103u) < 0.4;
    double d = 1.0;
    if (left && fx <= 0) d = std::fmin(d, std::fabs(fy));
    if (right && fx >= 0) d = std::fmin(d, std::fabs(fy));
    if (up && fy <= 0) d = std::fmin(d, std::fabs(fx));
    if (down && fy >= 0) d = std::fmin(d, std::fabs(fx));
    const int links = left + right + up + down;
    const double centre = std::hypot(fx, fy);
    Rgb colour = board * (0.8 + 0.4 * fractalNoise(x * 3.0, y * 3.0, 3, 107u));
    colour = mix(colour, trace * 0.8, 1.0 - smoothstep(0.07, 0.1, d));
    if (links == 1) colour = mix(colour, trace, 1.0 - smoothstep(0.2, 0.24, centre));
    const double chipX = std::fabs(x - 1.5);
    const double chipY = std::fabs(y - 2.0);
    if (chipX < 0.7 && chipY < 0.55) {
      const bool pin = (chipX > 0.58 && std::fabs(std::fmod(y, 0.12) - 0.06) < 0.03) ||
                       (chipY > 0.43 && std::fabs(std::fmod(x, 0.12) - 0.06) < 0.03);
      colour = pin ? hexColour(0xC0C8D0) : hexColour(0x10141C);
      if (chipX < 0.56 && chipY < 0.41) {
        colour = mix(hexColour(0x161C28), trace,
                     (1.0 - smoothstep(0.0, 0.02, std::fabs(std::fmax(chipX, chipY) - 0.3))) * 0.9);
      }
    }
    return colour;
  });
}

// The second drop: gold and violet rings, warped into a slow flower.
void paintRingWall(Image& image) {
  paintWall(image, [](double x, double y) {
    const double dx = x - 1.5;
    const double dy = y - 1.7;
    const double r = std::hypot(dx, dy);
    const double angle = std::atan2(dy, dx);
    const double wave = std::sin(r * 26.0 + 2.5 * std::sin(angle * 5.0) * std::exp(-r));
    Rgb colour = mix(hexColour(0x3C096C), hexColour(0xFFD166), smoothstep(-0.15, 0.15, wave));
    colour = colour * (1.0 - 0.45 * smoothstep(1.2, 2.6, r));
    colour = mix(colour, hexColour(0xFFFFFF), 1.0 - smoothstep(0.1, 0.14, r));
    return colour;
  });
}

// Faced head-on from 113 s: a neon sunset over a grid floor.
void paintSunsetWall(Image& image) {
  constexpr double kHorizon = 2.45;
  constexpr double kSunY = 1.75;
  constexpr double kSunRadius = 0.95;
  const Rgb top = hexColour(0x0D0221);
  const Rgb middle = hexColour(0x6A0F8E);
  const Rgb low = hexColour(0xFF4F8B);
  paintWall(image, [&](double x, double y) {
    if (y < kHorizon) {
      Rgb colour = y < 1.4 ? mix(top, middle, smoothstep(0.0, 1.4, y))
                           : mix(middle, low, smoothstep(1.4, kHorizon, y));
      colour = colour + Rgb{1.0, 1.0, 1.0} * (starField(x, y, 0.08, 0.25, 53u) *
                                               (1.0 - smoothstep(0.5, 1.5, y)));
      const double sun = std::hypot(x - 1.5, y - kSunY);
      const double band = (y - kSunY) / kSunRadius;
      const double gap = band > 0.05 ? std::fmod((band - 0.05) * 7.0, 1.0) : 1.0;
      const bool cut = gap < 0.12 + 0.5 * band;
      colour = colour + hexColour(0xFF7AA0) * (0.45 * std::exp(-std::fmax(sun - kSunRadius, 0.0) * 3.0));
      if (sun < kSunRadius && !cut) {
        colour = mix(hexColour(0xFFF07A), hexColour(0xFF3D7F), smoothstep(-0.8, 0.9, band));
      }
      if (y > ridge(x, kHorizon, 0.35, 59u)) colour = hexColour(0x2B0846);
      return colour;
    }
    const double depth = 1.6 / (y - kHorizon + 1e-6);
    const double lateral = (x - 1.5) / (y - kHorizon + 1e-6);
    const double across = std::fabs(lateral - std::round(lateral / 0.7) * 0.7) * (y - kHorizon);
    const double along = std::fabs(depth - std::round(depth)) * (y - kHorizon) *
                         (y - kHorizon) / 1.6;
    const double lines = std::fmax(1.0 - smoothstep(0.006, 0.02, across),
                                   1.0 - smoothstep(0.006, 0.02, along));
    Rgb colour = mix(hexColour(0x12002B), hexColour(0x2A0550), smoothstep(kHorizon, 4.0, y));
    colour = mix(colour, hexColour(0xFF2BD6), lines * (0.5 + 0.5 * smoothstep(kHorizon, 3.2, y)));
    return colour;
  });
}

// Faced head-on from 145 s: a nebula, bright stars and a ringed planet.
void paintSpaceWall(Image& image) {
  constexpr double kPlanetX = 1.05;
  constexpr double kPlanetY = 2.85;
  constexpr double kPlanetRadius = 0.55;
  paintWall(image, [&](double x, double y) {
    const double cloud = fractalNoise(x * 1.1, y * 1.1, 5, 61u);
    const double veil = fractalNoise(x * 1.7 + 5.0, y * 1.7, 5, 67u);
    Rgb colour = mix(hexColour(0x03001C), hexColour(0xB5179E), smoothstep(0.45, 0.78, cloud));
    colour = colour + hexColour(0x4CC9F0) * (0.6 * smoothstep(0.55, 0.85, veil));
    colour = colour + Rgb{1.0, 1.0, 1.0} * starField(x, y, 0.06, 0.3, 71u);
    const double flare = starField(x, y, 0.5, 0.35, 73u);
    colour = colour + Rgb{0.9, 0.95, 1.0} * (flare * 1.5);
    const double px = (x - kPlanetX) / kPlanetRadius;
    const double py = (y - kPlanetY) / kPlanetRadius;
    // The ring: an ellipse tilted across the planet, hidden where it passes
    // behind the planet's upper half.
    const double rx = (px * 0.94 + py * 0.34);
    const double ry = (-px * 0.34 + py * 0.94) / 0.28;
    const double ringR = std::hypot(rx, ry);
    const double ring = (1.0 - smoothstep(0.02, 0.05, std::fabs(ringR - 1.75) - 0.22)) *
                        (0.7 + 0.3 * std::sin(ringR * 40.0));
    const double planet = px * px + py * py;
    const bool behind = ry < 0.0 && planet < 1.0;
    if (planet < 1.0) {
      const double light = clamp01(0.25 + 0.75 * (-px * 0.6 - py * 0.5 + 0.63 * std::sqrt(1.0 - planet)));
      const double bands = 0.5 + 0.5 * std::sin(py * 9.0 + 2.0 * fractalNoise(px * 2.0, py * 6.0, 3, 79u));
      colour = mix(hexColour(0xE76F51), hexColour(0xF4D58D), bands) * light;
    }
    if (!behind) colour = mix(colour, hexColour(0xE9D8A6), ring * 0.85);
    return colour;
  });
}
