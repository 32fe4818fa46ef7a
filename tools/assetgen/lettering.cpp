#include "tools/assetgen/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {
FT_Library library = nullptr;
FT_Face faces[kTypefaceCount] = {};

// FreeType measures in 26.6 fixed point.
constexpr double kFixed26 = 64.0;

// Decodes one UTF-8 character (up to two bytes, enough for Latin-1) and
// advances `text`.
uint32_t nextCodePoint(const char*& text) {
  const auto lead = static_cast<uint8_t>(*text++);
  if (lead < 0x80 || (lead & 0xE0) != 0xC0 || (static_cast<uint8_t>(*text) & 0xC0) != 0x80) {
    return lead;
  }
  return ((lead & 0x1Fu) << 6) | (static_cast<uint8_t>(*text++) & 0x3Fu);
}

bool setSize(FT_Face face, double sizePx) {
  return FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(sizePx * kFixed26)), 72,
                          72) == 0;
}

// Walks the glyphs of `text`, calling visit(glyphSlot, penX) for each, and
// returns the advance of the whole line in pixels.
template <typename Visit>
double walkGlyphs(Typeface typeface, double sizePx, double trackingPx, const char* text,
                  Visit visit) {
  FT_Face face = faces[typeface];
  if (!face || !setSize(face, sizePx)) return 0.0;
  double pen = 0.0;
  FT_UInt previous = 0;
  while (*text) {
    const FT_UInt glyph = FT_Get_Char_Index(face, nextCodePoint(text));
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0) {
        pen += kern.x / kFixed26;
      }
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) != 0) continue;
    visit(face->glyph, pen);
    pen += face->glyph->advance.x / kFixed26 + trackingPx;
    previous = glyph;
  }
  return pen - (previous ? trackingPx : 0.0);
}

void blurPass(const std::vector<float>& in, std::vector<float>& out, int width, int height,
              int radius, bool horizontal) {
  const int length = horizontal ? width : height;
  const int lines = horizontal ? height : width;
  const double norm = 1.0 / (2 * radius + 1);
  for (int line = 0; line < lines; ++line) {
    auto at = [&](int i) -> size_t {
      i = std::clamp(i, 0, length - 1);
      return horizontal ? static_cast<size_t>(line) * width + i
                        : static_cast<size_t>(i) * width + line;
    };
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i) sum += in[at(i)];
    for (int i = 0; i < length; ++i) {
      out[at(i)] = static_cast<float>(sum * norm);
      sum += in[at(i + radius + 1)] - in[at(i - radius)];
    }
  }
}
}  // namespace

int openFonts(const char* boldPath, const char* lightPath, const char* monoPath) {
  if (!library && FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "assetgen: FreeType does not start\n");
    return 0;
  }
  const char* paths[kTypefaceCount] = {boldPath, lightPath, monoPath};
  for (int i = 0; i < kTypefaceCount; ++i) {
    if (FT_New_Face(library, paths[i], 0, &faces[i]) != 0) {
      std::fprintf(stderr, "assetgen: cannot open the font %s\n", paths[i]);
      faces[i] = nullptr;
      closeFonts();
      return 0;
    }
  }
  return 1;
}

void closeFonts() {
  for (FT_Face& face : faces) {
    if (face) FT_Done_Face(face);
    face = nullptr;
  }
  if (library) FT_Done_FreeType(library);
  library = nullptr;
}

void makeMask(Mask& mask, int width, int height) {
  mask.width = width;
  mask.height = height;
  mask.coverage.assign(static_cast<size_t>(width) * height, 0.0f);
}

double textWidth(Typeface face, double sizePx, double trackingPx, const char* text) {
  return walkGlyphs(face, sizePx, trackingPx, text, [](FT_GlyphSlot, double) {});
}

void drawText(Mask& mask, Typeface face, double sizePx, double trackingPx, double left,
              double baseline, const char* text) {
  walkGlyphs(face, sizePx, trackingPx, text, [&](FT_GlyphSlot slot, double pen) {
    // Render the outline at the pen's sub-pixel position so spacing stays even.
    const long position = std::lround((left + pen) * kFixed26);
    FT_Outline_Translate(&slot->outline, position & 63, 0);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int originX = static_cast<int>(position >> 6) + slot->bitmap_left;
    const int originY = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const int y = originY + static_cast<int>(row);
      if (y < 0 || y >= mask.height) continue;
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int x = originX + static_cast<int>(col);
        if (x < 0 || x >= mask.width) continue;
        float& cell = mask.coverage[static_cast<size_t>(y) * mask.width + x];
        cell = std::min(1.0f, cell + bitmap.buffer[row * bitmap.pitch + col] / 255.0f);
      }
    }
  });
}

void drawTextCentred(Mask& mask, Typeface face, double sizePx, double trackingPx, double centre,
                     double baseline, const char* text) {
  const double width = textWidth(face, sizePx, trackingPx, text);
  drawText(mask, face, sizePx, trackingPx, centre - width * 0.5, baseline, text);
}

double maskAt(const Mask& mask, double u, double v) {
  const double x = u * mask.width - 0.5;
  const double y = v * mask.height - 0.5;
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const double tx = x - x0;
  const double ty = y - y0;
  auto cell = [&](int cx, int cy) -> double {
    if (cx < 0 || cy < 0 || cx >= mask.width || cy >= mask.height) return 0.0;
    return mask.coverage[static_cast<size_t>(cy) * mask.width + cx];
  };
  const double top = cell(x0, y0) * (1 - tx) + cell(x0 + 1, y0) * tx;
  const double bottom = cell(x0, y0 + 1) * (1 - tx) + cell(x0 + 1, y0 + 1) * tx;
  return top * (1 - ty) + bottom * ty;
}

void blurMask(const Mask& source, Mask& blurred, int radius) {
  makeMask(blurred, source.width, source.height);
  std::vector<float> a = source.coverage;
  std::vector<float> b(a.size());
  for (int pass = 0; pass < 3; ++pass) {
    blurPass(a, b, source.width, source.height, radius, true);
    blurPass(b, a, source.width, source.height, radius, false);
  }
  blurred.coverage = a;
}
