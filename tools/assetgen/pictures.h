// The show's 19 pictures: each file's size, alpha and painter, designed for
// where the show puts it (a sprite, the mesh, the satellite, a backdrop wall,
// the small card or a title banner).
#pragma once

#include "assets/slots.h"
#include "tools/assetgen/image.h"

struct PictureEntry {
  int32_t slot;          // the texture slot it is drawn from; its file is the slot's
  int width;             // pixels
  int height;            // pixels
  bool alpha;            // the file keeps an alpha channel
  void (*paint)(Image& image);
};

// The table, slot by slot; each slot's painter bears the slot's name.
constexpr int kPictureCount = 19;
extern const PictureEntry kPictures[kPictureCount];

// Paints every picture, and the glyph picture, and writes them into `folder`. Needs the fonts open
// (lettering.h). Returns 1, or 0 with a message on standard error, at the
// first file that cannot be written.
int writePictures(const char* folder);

// Paints the program's icon (the small card's emblem, round, on a transparent
// ground) at each of `count` sizes (square, pixels) into
// folder/<size>x<size>/apps/vantorel.png, the layout of an icon theme, making
// the folders. Needs the fonts open. Returns 1, or 0 with a message on
// standard error, at the first failure.
int writeIcons(const char* folder, const int* sizes, int count);

// The painters, one per picture; each fills an image already sized by the
// table.
void paintParticle(Image& image);
void paintSpare(Image& image);
void paintGlobe(Image& image);
void paintPanelCube(Image& image);
void paintMoonSkin(Image& image);
void paintBallSkin(Image& image);
void paintEmberSkin(Image& image);
void paintEmblemCard(Image& image);
void paintIcon(Image& image);
void paintFlashCard(Image& image);
void paintNightWall(Image& image);
void paintStripeWall(Image& image);
void paintCircuitWall(Image& image);
void paintRingWall(Image& image);
void paintSunsetWall(Image& image);
void paintSpaceWall(Image& image);
void paintTitleBanner(Image& image);
void paintCodeBanner(Image& image);
void paintClosingBanner(Image& image);
void paintMusicBanner(Image& image);
// The glyph picture of the viewer's line (assets/glyphs.h), not a slot's.
void paintGlyphs(Image& image);
