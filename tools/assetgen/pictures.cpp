#include "tools/assetgen/pictures.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets/glyphs.h"

// Sizes: powers of two wherever the picture wraps a body or fills a square;
// the 6:1 banners are 768 x 128, which the show's loader scales up to the
// next power of two. The sprite and the banners keep alpha.
const PictureEntry kPictures[kPictureCount] = {
    {kSlotParticle, 64, 64, true, paintParticle},
    {kSlotSpare, 64, 64, false, paintSpare},
    {kSlotGlobe, 512, 256, false, paintGlobe},
    {kSlotNightWall, 512, 512, false, paintNightWall},
    {kSlotMoonSkin, 128, 64, false, paintMoonSkin},
    {kSlotBallSkin, 128, 64, false, paintBallSkin},
    {kSlotStripeWall, 512, 512, false, paintStripeWall},
    {kSlotCircuitWall, 512, 512, false, paintCircuitWall},
    {kSlotRingWall, 512, 512, false, paintRingWall},
    {kSlotEmblemCard, 256, 256, false, paintEmblemCard},
    {kSlotPanelCube, 512, 256, false, paintPanelCube},
    {kSlotEmberSkin, 128, 64, false, paintEmberSkin},
    {kSlotFlashCard, 256, 256, false, paintFlashCard},
    {kSlotTitleBanner, 768, 128, true, paintTitleBanner},
    {kSlotCodeBanner, 768, 128, true, paintCodeBanner},
    {kSlotClosingBanner, 768, 128, true, paintClosingBanner},
    {kSlotMusicBanner, 768, 128, true, paintMusicBanner},
    {kSlotSunsetWall, 512, 512, false, paintSunsetWall},
    {kSlotSpaceWall, 512, 512, false, paintSpaceWall},
};

int writePictures(const char* folder) {
  Image image;
  for (const PictureEntry& entry : kPictures) {
    makeImage(image, entry.width, entry.height, entry.alpha);
    entry.paint(image);
    const std::string path = std::string(folder) + "/" + kSlotFiles[entry.slot];
    if (!writePng(path.c_str(), image)) return 0;
  }
  makeImage(image, kGlyphsWidth, kGlyphsHeight, false);
  paintGlyphs(image);
  return writePng((std::string(folder) + "/" + kGlyphsFile).c_str(), image);
}

namespace {
// Makes `path` as a folder unless it is one already.
bool makeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) return true;
  std::fprintf(stderr, "vantorel-assetgen: cannot make %s: %s\n", path.c_str(),
               std::strerror(errno));
  return false;
}
}  // namespace

int writeIcons(const char* folder, const int* sizes, int count) {
  Image image;
  for (int i = 0; i < count; ++i) {
    const int size = sizes[i];
    const std::string sized = std::string(folder) + "/" + std::to_string(size) + "x" +
                              std::to_string(size);
    if (!makeFolder(folder) || !makeFolder(sized) || !makeFolder(sized + "/apps")) return 0;
    makeImage(image, size, size, true);
    paintIcon(image);
    if (!writePng((sized + "/apps/vantorel.png").c_str(), image)) return 0;
  }
  return 1;
}
