// The asset generator: paints the show's 19 pictures and synthesises its
// music into the folder the show runs from, or paints the program's icon.
// Run by the build; every run writes the same bytes.
//
//   vantorel-assetgen <output folder> <bold font> <regular font> <mono font>
//   vantorel-assetgen --icons <icon theme folder> <bold font> <regular font> <mono font>
//                     <size in pixels>...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tools/assetgen/lettering.h"
#include "tools/assetgen/pictures.h"
#include "score/music.h"

namespace {
// Icon themes go up to 512 pixels; beyond it an icon is a picture.
constexpr int kMaxIconSize = 1024;
}  // namespace

int main(int argc, char** argv) {
  const bool icons = argc >= 7 && std::string(argv[1]) == "--icons";
  if (argc != 5 && !icons) {
    std::fprintf(stderr,
                 "usage: %s <output folder> <bold font> <regular font> <mono font>\n"
                 "       %s --icons <icon theme folder> <bold font> <regular font> <mono font> "
                 "<size>...\n",
                 argv[0], argv[0]);
    return 2;
  }
  const int first = icons ? 2 : 1;
  const std::string folder = argv[first];
  if (!openFonts(argv[first + 1], argv[first + 2], argv[first + 3])) return 1;
  if (icons) {
    std::vector<int> sizes;
    for (int i = 6; i < argc; ++i) {
      const int size = std::atoi(argv[i]);
      if (size < 1 || size > kMaxIconSize) {
        std::fprintf(stderr, "vantorel-assetgen: bad icon size %s\n", argv[i]);
        return 2;
      }
      sizes.push_back(size);
    }
    const bool written = writeIcons(folder.c_str(), sizes.data(), static_cast<int>(sizes.size()));
    closeFonts();
    return written ? 0 : 1;
  }
  // The pictures and the music share nothing, so they are made side by side.
  bool pictures = false;
  std::thread painter([&] { pictures = writePictures(folder.c_str()); });
  const std::string musicPath = folder + "/" + kMusicFileName;
  const bool music = writeMusic(musicPath.c_str());
  painter.join();
  closeFonts();
  return pictures && music ? 0 : 1;
}
