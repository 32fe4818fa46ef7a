// Lettering for the title banners and cards: FreeType renders the glyphs of
// a TrueType font into a coverage mask the painters then colour.
#pragma once

#include <vector>

// The typefaces the pictures use, opened once by openFonts: the banners' and
// cards' two, and one of even widths for the glyph picture.
enum Typeface { kTypefaceBold = 0, kTypefaceLight = 1, kTypefaceMono = 2, kTypefaceCount = 3 };

// Opens the bold, the light and the mono font files. Returns 1, or 0 with a
// message on standard error when one cannot be opened. Fonts stay open until
// closeFonts.
int openFonts(const char* boldPath, const char* lightPath, const char* monoPath);
void closeFonts();

// Coverage 0..1 per pixel, rows top first.
struct Mask {
  int width = 0;
  int height = 0;
  std::vector<float> coverage;
};

void makeMask(Mask& mask, int width, int height);

// Width in pixels of `text` (UTF-8, ASCII and Latin-1 letters) at a font size
// of `sizePx` pixels per em, with `trackingPx` extra pixels between letters.
double textWidth(Typeface face, double sizePx, double trackingPx, const char* text);

// Adds `text` to `mask` with its pen starting at x = `left` on the baseline y
// = `baseline` (pixels). Coverage saturates at 1.
void drawText(Mask& mask, Typeface face, double sizePx, double trackingPx, double left,
              double baseline, const char* text);

// Like drawText, centred horizontally on x = `centre`.
void drawTextCentred(Mask& mask, Typeface face, double sizePx, double trackingPx, double centre,
                     double baseline, const char* text);

// Coverage at a point, bilinear, 0 outside the mask (u, v in 0..1).
double maskAt(const Mask& mask, double u, double v);

// A soft copy of `source`: three box blurs of `radius` pixels, close to a
// Gaussian, for glows.
void blurMask(const Mask& source, Mask& blurred, int radius);
