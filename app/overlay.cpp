#include "app/overlay.h"

#include <GL/gl.h>

#include "app/window.h"
#include "assets/glyphs.h"
#include "assets/png_loader.h"
#include "gfx/gfx.h"

namespace {
// The glyph picture, loaded into the context of this window build.
struct OverlayState {
  GLuint glyphs = 0;
  uint32_t glyphsForBuild = 0;
  GfxState frameLeft{};  // the capabilities the frame left on
};
OverlayState overlay;

// Drawn one unit in front of the eye, where the show's 45-degree view is
// 2 tan(22.5 degrees) units tall.
constexpr double kHalfViewAtOneUnit = 0.41421356237309503;
constexpr float kOverlayDepth = -1.0f;
constexpr double kUnitsPerPx = 2.0 * kHalfViewAtOneUnit / kWindowHeight;
constexpr double kHalfWidth = kHalfViewAtOneUnit * kWindowWidth / kWindowHeight;

float xAt(double px) { return static_cast<float>(-kHalfWidth + px * kUnitsPerPx); }
float yAt(double px) { return static_cast<float>(kHalfViewAtOneUnit - px * kUnitsPerPx); }

bool glyphsReady() {
  if (overlay.glyphs && overlay.glyphsForBuild == appWindow.contextBuilds) return true;
  overlay.glyphsForBuild = appWindow.contextBuilds;
  overlay.glyphs = pictureBind(kGlyphsFile, kPictureNoMipmaps, kPictureAlphaFromFile, nullptr,
                               GL_CLAMP, GL_LINEAR, GL_LINEAR);
  return overlay.glyphs != 0;
}

void quad(float x0, float y0, float x1, float y1, double s0, double t0, double s1, double t1) {
  gfxBegin(GL_TRIANGLE_STRIP);
  gfxTexCoord2d(s0, t1);
  gfxVertex3f(x0, y1, kOverlayDepth);
  gfxTexCoord2d(s0, t0);
  gfxVertex3f(x0, y0, kOverlayDepth);
  gfxTexCoord2d(s1, t1);
  gfxVertex3f(x1, y1, kOverlayDepth);
  gfxTexCoord2d(s1, t0);
  gfxVertex3f(x1, y0, kOverlayDepth);
  gfxEnd();
}
}  // namespace

int overlayBegin() {
  if (!glyphsReady()) return 0;
  overlay.frameLeft = gfxState;
  gfxLoadIdentity();
  gfxDisable(GL_DEPTH_TEST);
  return 1;
}

void overlayBox(double leftPx, double topPx, double widthPx, double heightPx, float r, float g,
                float b) {
  gfxDisable(GL_TEXTURE_2D);
  gfxDisable(GL_BLEND);
  gfxColor4f(r, g, b, 1.0f);
  quad(xAt(leftPx), yAt(topPx + heightPx), xAt(leftPx + widthPx), yAt(topPx), 0, 0, 0, 0);
}

double overlayTextWidth(int characters, double heightPx) {
  return characters * heightPx * kGlyphCellWidth / kGlyphCellHeight;
}

double overlayText(const char* text, double leftPx, double topPx, double heightPx, float r,
                   float g, float b) {
  const double width = overlayTextWidth(1, heightPx);
  gfxEnable(GL_TEXTURE_2D);
  gfxBindTexture(GL_TEXTURE_2D, overlay.glyphs);
  gfxColor4f(r, g, b, 1.0f);
  for (const char* c = text; *c; ++c, leftPx += width) {
    const int cell = (*c >= kGlyphFirst && *c <= kGlyphLast ? *c : '?') - kGlyphFirst;
    const double s0 = static_cast<double>(cell % kGlyphColumns) / kGlyphColumns;
    const double t1 = 1.0 - static_cast<double>(cell / kGlyphColumns) / kGlyphRows;
    quad(xAt(leftPx), yAt(topPx + heightPx), xAt(leftPx + width), yAt(topPx), s0, t1 - 1.0 / kGlyphRows,
         s0 + 1.0 / kGlyphColumns, t1);
  }
  return leftPx;
}

void overlayEnd() {
  putGfxStateBack(overlay.frameLeft);
  gfxEnable(GL_DEPTH_TEST);
}
