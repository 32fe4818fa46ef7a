// The asset generator: paints the show's 19 pictures and synthesises its
// music into the folder the show runs from. Run by the build; every run
// writes the same bytes.
//
//   vantorel-assetgen <output folder> <bold font file> <regular font file>
#include <cstdio>
#include <string>
#include <thread>

#include "tools/assetgen/lettering.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/synth/music.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <output folder> <bold font> <regular font>\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  if (!openFonts(argv[2], argv[3])) return 1;
  // The pictures and the music share nothing, so they are made side by side.
  bool pictures = false;
  std::thread painter([&] { pictures = writePictures(folder.c_str()); });
  const std::string musicPath = folder + "/" + kMusicFileName;
  const bool music = writeMusic(musicPath.c_str());
  painter.join();
  closeFonts();
  return pictures && music ? 0 : 1;
}
