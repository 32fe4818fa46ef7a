#include "tools/assetgen/pictures.h"

#include <string>

// Sizes: powers of two wherever the picture wraps a body or fills a square;
// the 6:1 banners are 768 x 128, which the show's loader scales up to the
// next power of two. The sprite and the banners keep alpha.
const PictureEntry kPictures[kPictureCount] = {
    {"tex00.png", 64, 64, true, paintParticle},        // every sprite of the swarm
    {"tex01.png", 64, 64, false, paintSpare},          // loaded, never shown
    {"tex02.png", 512, 256, false, paintGlobe},        // the mesh as a sphere
    {"tex03.png", 512, 512, false, paintNightWall},    // wall of the opening
    {"tex04.png", 128, 64, false, paintMoonSkin},      // the satellite
    {"tex05.png", 128, 64, false, paintBallSkin},      // the bouncing satellite
    {"tex06.png", 512, 512, false, paintStripeWall},   // wall of the first drop
    {"tex07.png", 512, 512, false, paintCircuitWall},  // wall of the credits
    {"tex08.png", 512, 512, false, paintRingWall},     // wall of the second drop
    {"tex09.png", 256, 256, false, paintEmblemCard},   // the small card
    {"tex10.png", 512, 256, false, paintPanelCube},    // the mesh as a cube
    {"tex11.png", 128, 64, false, paintEmberSkin},     // the satellite beside the cube
    {"tex12.png", 256, 256, false, paintFlashCard},    // the small card after its switch
    {"tex13.png", 768, 128, true, paintTitleBanner},   // the show's name
    {"tex14.png", 768, 128, true, paintCodeBanner},    // credits: code
    {"tex15.png", 768, 128, true, paintClosingBanner}, // the closing line
    {"tex16.png", 768, 128, true, paintMusicBanner},   // credits: music and pictures
    {"tex17.png", 512, 512, false, paintSunsetWall},   // wall faced head-on at 113 s
    {"tex18.png", 512, 512, false, paintSpaceWall},    // wall faced head-on at 145 s
};

bool writePictures(const char* folder) {
  Image image;
  for (const PictureEntry& entry : kPictures) {
    makeImage(image, entry.width, entry.height, entry.alpha);
    entry.paint(image);
    const std::string path = std::string(folder) + "/" + entry.fileName;
    if (!writePng(path.c_str(), image)) return false;
  }
  return true;
}
