// The small pictures: the sprite's glow, the spare, the three satellite
// skins and the two faces of the small card.
#include <cmath>

#include "tools/assetgen/lettering.h"
#include "tools/assetgen/pictures.h"
#include "score/rng.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// The satellite is a sphere of radius 0.125 seen from a few units away: a
// handful of bold features reads; fine detail would shimmer.
constexpr int kCraterCount = 14;

// Distance on a skin that wraps a sphere (u around, v pole to pole), in
// units of the sphere's radius, wrapping at the seam.
double skinDistance(double u0, double v0, double u1, double v1) {
  double du = std::fabs(u0 - u1);
  if (du > 0.5) du = 1.0 - du;
  const double latitudeScale = std::sin(kPi * 0.5 * (v0 + v1));
  const double dx = du * 2.0 * kPi * latitudeScale;
  const double dy = (v0 - v1) * kPi;
  return std::sqrt(dx * dx + dy * dy);
}

// Where the ring of the emblem runs, and how far out a round emblem's disc
// reaches: just past the ring's outer edge.
constexpr double kRingRadius = 0.4;
constexpr double kDiscRadius = 0.45;

// A round emblem for the small card: a ring around a bold "V". The card is
// only about 70 pixels tall on screen, so the shapes are thick. A square one
// is framed and opaque; a round one (the icon) is a disc on a transparent
// ground.
void paintEmblem(Image& image, Rgb backInner, Rgb backOuter, Rgb ring, Rgb letter, bool rays,
                 bool round = false) {
  Mask mask;
  makeMask(mask, image.width, image.height);
  drawTextCentred(mask, kTypefaceBold, image.height * 0.62, 0.0, image.width * 0.5,
                  image.height * 0.72, "V");
  paintImage(image, 2, [&](double u, double v) {
    const double dx = u - 0.5;
    const double dy = v - 0.5;
    const double r = std::sqrt(dx * dx + dy * dy);
    Rgb colour = mix(backInner, backOuter, smoothstep(0.0, 0.72, r));
    if (rays) {
      const double angle = std::atan2(dy, dx);
      const double ray = 0.5 + 0.5 * std::cos(angle * 12.0);
      colour = mix(colour, backInner * 1.15, smoothstep(0.55, 0.9, ray) * 0.6);
    }
    const double ringEdge = std::fabs(r - kRingRadius);
    colour = mix(colour, ring, 1.0 - smoothstep(0.035, 0.045, ringEdge));
    if (!round) {
      const double frame = std::fmax(std::fabs(dx), std::fabs(dy));
      colour = mix(colour, ring, (1.0 - smoothstep(0.0, 0.008, std::fabs(frame - 0.47))) * 0.8);
    }
    colour = mix(colour, letter, maskAt(mask, u, v));
    return Rgba{colour, round ? 1.0 - smoothstep(kDiscRadius - 0.01, kDiscRadius, r) : 1.0};
  });
}
}  // namespace

// A white-hot core in a blue halo that fades to black well inside the
// square: the show blends with the default factors, so the surround is drawn
// opaque and must be black to vanish against the dark scene.
void paintParticle(Image& image) {
  const Rgb halo = hexColour(0x73BFFF);
  paintImage(image, 4, [&](double u, double v) {
    const double dx = (u - 0.5) * 2.0;
    const double dy = (v - 0.5) * 2.0;
    const double r2 = dx * dx + dy * dy;
    const double core = std::exp(-r2 / (0.14 * 0.14));
    const double glow = 0.55 * std::exp(-r2 / (0.42 * 0.42));
    const double rays = 0.25 * (std::exp(-std::fabs(dx) * 28.0 - std::fabs(dy) * 3.5) +
                                std::exp(-std::fabs(dy) * 28.0 - std::fabs(dx) * 3.5));
    const double window = 1.0 - smoothstep(0.8, 1.0, std::sqrt(r2));
    const Rgb colour = (Rgb{1.0, 1.0, 1.0} * core + halo * (glow + rays)) * window;
    return Rgba{{clamp01(colour.r), clamp01(colour.g), clamp01(colour.b)},
                clamp01((core + glow + rays) * window)};
  });
}

// Never shown: a plain grey check.
void paintSpare(Image& image) {
  paintImage(image, 1, [](double u, double v) {
    const bool dark = (static_cast<int>(u * 8) + static_cast<int>(v * 8)) % 2 == 0;
    const double grey = dark ? 0.3 : 0.6;
    return Rgba{{grey, grey, grey}, 1.0};
  });
}

// The satellite's own skin: a pale, cratered moon.
void paintMoonSkin(Image& image) {
  double craterU[kCraterCount];
  double craterV[kCraterCount];
  double craterR[kCraterCount];
  Rng rng{0x5EA1u};
  for (int i = 0; i < kCraterCount; ++i) {
    craterU[i] = rngUnit(rng);
    craterV[i] = 0.15 + 0.7 * rngUnit(rng);
    craterR[i] = 0.18 + 0.35 * rngUnit(rng);
  }
  const Rgb dark = hexColour(0x4A5468);
  const Rgb light = hexColour(0xD8E2F0);
  paintImage(image, 2, [&](double u, double v) {
    double shade = 0.35 + 0.5 * fractalNoise(u * 8.0, v * 4.0, 4, 11u, 8);
    for (int i = 0; i < kCraterCount; ++i) {
      const double d = skinDistance(u, v, craterU[i], craterV[i]) / craterR[i];
      shade -= 0.28 * (1.0 - smoothstep(0.75, 0.9, d));
      shade += 0.35 * (smoothstep(0.75, 0.9, d) - smoothstep(0.95, 1.15, d));
    }
    return Rgba{mix(dark, light, clamp01(shade)), 1.0};
  });
}

// The bouncing satellite: a beach ball of six bold segments with white caps.
void paintBallSkin(Image& image) {
  const Rgb segments[6] = {hexColour(0xE63946), hexColour(0xF1FAEE), hexColour(0x1D70E0),
                           hexColour(0xFFC300), hexColour(0xF1FAEE), hexColour(0x2DC653)};
  paintImage(image, 4, [&](double u, double v) {
    const int segment = static_cast<int>(u * 6.0) % 6;
    const double edge = std::fabs(u * 6.0 - std::round(u * 6.0));
    Rgb colour = mix(segments[segment] * 0.55, segments[segment], smoothstep(0.0, 0.06, edge));
    const double cap = std::fmin(v, 1.0 - v);
    colour = mix(hexColour(0xFFFFFF), colour, smoothstep(0.09, 0.11, cap));
    return Rgba{colour, 1.0};
  });
}

// The satellite beside the cube: a glowing ember with bright cracks.
void paintEmberSkin(Image& image) {
  const Rgb crust = hexColour(0x3A0A06);
  const Rgb glow = hexColour(0xFF5A1F);
  const Rgb hot = hexColour(0xFFE066);
  paintImage(image, 2, [&](double u, double v) {
    const double n = fractalNoise(u * 6.0, v * 3.0, 4, 23u, 6);
    const double ridge = 1.0 - std::fabs(2.0 * n - 1.0);
    Rgb colour = mix(crust, glow, smoothstep(0.55, 0.85, ridge));
    colour = mix(colour, hot, smoothstep(0.88, 0.97, ridge));
    return Rgba{colour, 1.0};
  });
}

void paintEmblemCard(Image& image) {
  paintEmblem(image, hexColour(0x1B2A6B), hexColour(0x05071A), hexColour(0x3CE0FF),
              hexColour(0xF4FBFF), false);
}

void paintIcon(Image& image) {
  paintEmblem(image, hexColour(0x1B2A6B), hexColour(0x05071A), hexColour(0x3CE0FF),
              hexColour(0xF4FBFF), false, true);
}

// The same emblem in a flash of inverted colours, for the half second before
// the card leaves.
void paintFlashCard(Image& image) {
  paintEmblem(image, hexColour(0xFFD23F), hexColour(0xFF5A1F), hexColour(0x14062E),
              hexColour(0x14062E), true);
}
