// The glyph picture: the printable ASCII characters, white on black, one to a
// cell of a fixed grid, for the viewer's line. The asset generator paints it
// by this layout and the line reads it by the same.
#pragma once

// The file, beside the show's pictures.
constexpr const char* kGlyphsFile = "glyphs.png";

// Characters kGlyphFirst to kGlyphLast, row after row of kGlyphColumns
// cells, the first in the top left corner.
constexpr int kGlyphFirst = 32;
constexpr int kGlyphLast = 126;
constexpr int kGlyphColumns = 16;
constexpr int kGlyphRows = 8;  // six hold the 95 characters; eight make the height a power of two
// A cell, in pixels: tall enough for the line's 28-pixel letters on a 720-line
// screen to be drawn no larger than painted.
constexpr int kGlyphCellWidth = 32;
constexpr int kGlyphCellHeight = 64;
constexpr int kGlyphsWidth = kGlyphColumns * kGlyphCellWidth;
constexpr int kGlyphsHeight = kGlyphRows * kGlyphCellHeight;
static_assert((kGlyphLast - kGlyphFirst + 1 + kGlyphColumns - 1) / kGlyphColumns <= kGlyphRows,
              "every character has a cell");
static_assert((kGlyphsWidth & (kGlyphsWidth - 1)) == 0 && (kGlyphsHeight & (kGlyphsHeight - 1)) == 0,
              "a power of two each way, so the picture is not scaled");
