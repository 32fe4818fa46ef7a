// The 6:1 title banners. The show draws them as opaque strips across the top
// of the view (its blending keeps the source colour whatever the alpha), so
// the colour channels carry the whole design; alpha marks the rounded panel
// and its lettering for any viewer that does blend.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/lettering.h"
#include "tools/assetgen/pictures.h"

namespace {
// Lettering stays inside this share of the banner's width.
constexpr double kTextWidthShare = 0.9;
// Corner radius of the panel, in pixels of a 128-pixel-tall banner.
constexpr double kCornerRadius = 18.0;
// Glow around the lettering, in pixels.
constexpr int kGlowRadius = 5;
// Alpha of the bare panel; lettering and glow are fully opaque.
constexpr double kPanelAlpha = 0.85;

struct BannerDesign {
  const char* caption;  // small light capitals above, or nullptr
  const char* title;    // the main line
  double titleSizePx;   // before fitting to the width
  Rgb fillTop;          // lettering colour at the top of the letters
  Rgb fillBottom;       // and at their foot
  Rgb accent;           // glow and rules
  Rgb panelLeft;
  Rgb panelRight;
};

// Size at which `text` fits the banner's width.
double fittedSize(Typeface face, double sizePx, double tracking, const char* text,
                  double maxWidth) {
  const double width = textWidth(face, sizePx, tracking, text);
  return width > maxWidth ? sizePx * maxWidth / width : sizePx;
}

void paintBanner(Image& image, const BannerDesign& design) {
  const double w = image.width;
  const double h = image.height;
  const double maxWidth = w * kTextWidthShare;
  Mask letters;
  makeMask(letters, image.width, image.height);
  double titleTop;
  double titleBottom;
  if (design.caption) {
    const double captionSize = fittedSize(kTypefaceLight, h * 0.2, h * 0.06, design.caption, maxWidth);
    drawTextCentred(letters, kTypefaceLight, captionSize, h * 0.06, w * 0.5, h * 0.3,
                    design.caption);
    const double size = fittedSize(kTypefaceBold, design.titleSizePx, 1.0, design.title, maxWidth);
    drawTextCentred(letters, kTypefaceBold, size, 1.0, w * 0.5, h * 0.8, design.title);
    titleTop = h * 0.8 - size * 0.73;
    titleBottom = h * 0.8;
  } else {
    const double size =
        fittedSize(kTypefaceBold, design.titleSizePx, h * 0.05, design.title, maxWidth);
    drawTextCentred(letters, kTypefaceBold, size, h * 0.05, w * 0.5, h * 0.5 + size * 0.36,
                    design.title);
    titleTop = h * 0.5 - size * 0.36;
    titleBottom = h * 0.5 + size * 0.36;
  }
  Mask glow;
  blurMask(letters, glow, kGlowRadius);
  paintImage(image, 2, [&](double u, double v) {
    const double x = u * w;
    const double y = v * h;
    const double cx = std::max(std::fabs(x - w * 0.5) - (w * 0.5 - kCornerRadius), 0.0);
    const double cy = std::max(std::fabs(y - h * 0.5) - (h * 0.5 - kCornerRadius), 0.0);
    const double inside = 1.0 - smoothstep(kCornerRadius - 1.0, kCornerRadius, std::hypot(cx, cy));
    Rgb colour = mix(design.panelLeft, design.panelRight, u);
    colour = colour * (0.9 + 0.1 * std::sin(y * 1.6));
    const double rule = std::min(std::fabs(y - 7.0), std::fabs(y - (h - 7.0)));
    colour = mix(colour, design.accent, 1.0 - smoothstep(0.8, 1.8, rule));
    const double g = std::min(1.0, maskAt(glow, u, v) * 1.6);
    colour = mix(colour, design.accent, g * 0.7);
    const double fill = smoothstep(titleTop, titleBottom, y);
    const double cover = maskAt(letters, u, v);
    colour = mix(colour, mix(design.fillTop, design.fillBottom, fill), cover);
    const double alpha = std::max(kPanelAlpha, std::max(g, cover)) * inside;
    return Rgba{colour * inside, alpha};
  });
}
}  // namespace

void paintTitleBanner(Image& image) {
  paintBanner(image, {nullptr, "Vantorel", 104.0, hexColour(0xFFFFFF), hexColour(0x7DF9FF),
                      hexColour(0xFF2BD6), hexColour(0x16003A), hexColour(0x00233A)});
}

void paintCodeBanner(Image& image) {
  paintBanner(image, {"CODE", "The Vantorel Crew", 64.0, hexColour(0xFFFFFF), hexColour(0x9BF6FF),
                      hexColour(0x00C2FF), hexColour(0x021B2E), hexColour(0x0B0030)});
}

void paintMusicBanner(Image& image) {
  paintBanner(image, {"MUSIC & PICTURES", "Made by Our Own Generator", 64.0, hexColour(0xFFF6D5),
                      hexColour(0xFFB703), hexColour(0xFF5A1F), hexColour(0x2A0800),
                      hexColour(0x1A0030)});
}

void paintClosingBanner(Image& image) {
  paintBanner(image, {"FROM ALL OF US", "Thanks for Watching", 64.0, hexColour(0xFFFFFF),
                      hexColour(0xFFC6FF), hexColour(0xB14AED), hexColour(0x1A0033),
                      hexColour(0x2A0019)});
}
