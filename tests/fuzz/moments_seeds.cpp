// The moments fuzzer's first input: the show's own table as its file, written
// at fuzz time so that it follows the table.
#include <cstdio>
#include <string>

#include "timeline/moments_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: moments_seeds FOLDER\n");
    return 2;
  }
  char why[512];
  const std::string path = std::string(argv[1]) + "/show.toml";
  if (!writeMomentsFile(path.c_str(), kCompiledMoments, why, sizeof why)) {
    std::fprintf(stderr, "moments_seeds: %s\n", why);
    return 1;
  }
  return 0;
}
