// The glyph picture of the viewer's line: each printable ASCII character in
// the face of even widths, centred in its cell, white on black, opaque, so that the
// line needs no blending to stand out over any frame.
#include <string>

#include "assets/glyphs.h"
#include "tools/assetgen/lettering.h"
#include "tools/assetgen/pictures.h"

namespace {
// The letters' size in the cell: an em of 70 % of the cell's height, on a
// baseline 75 % of the way down, leaving room for the descenders.
constexpr double kEmOfCell = 0.7;
constexpr double kBaselineOfCell = 0.75;
}  // namespace

void paintGlyphs(Image& image) {
  Mask mask;
  makeMask(mask, image.width, image.height);
  for (int c = kGlyphFirst; c <= kGlyphLast; ++c) {
    const int cell = c - kGlyphFirst;
    const double left = (cell % kGlyphColumns) * kGlyphCellWidth;
    const double top = (cell / kGlyphColumns) * kGlyphCellHeight;
    const std::string text(1, static_cast<char>(c));
    drawTextCentred(mask, kTypefaceMono, kGlyphCellHeight * kEmOfCell, 0.0,
                    left + kGlyphCellWidth * 0.5, top + kGlyphCellHeight * kBaselineOfCell,
                    text.c_str());
  }
  paintImage(image, 1, [&](double u, double v) {
    const double cover = maskAt(mask, u, v);
    return Rgba{Rgb{cover, cover, cover}, 1.0};
  });
}
