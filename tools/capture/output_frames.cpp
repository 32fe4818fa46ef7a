// The folder output: one PNG per frame, named by the frame's number in the
// whole show.
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "tools/capture/capture_output.h"

namespace {
struct Frames {
  char folder[PATH_MAX] = {};
  int width = 0;
  int height = 0;
};
Frames frames;

int openFrames(const CaptureOptions& options, AudioStream, int64_t) {
  std::snprintf(frames.folder, sizeof frames.folder, "%s", options.output);
  frames.width = options.width;
  frames.height = options.height;
  if (mkdir(frames.folder, 0777) != 0 && errno != EEXIST) {
    captureError("cannot make the folder %s: %s", frames.folder, std::strerror(errno));
    return 0;
  }
  struct stat info {};
  if (stat(frames.folder, &info) != 0 || !S_ISDIR(info.st_mode)) {
    captureError("%s is not a folder", frames.folder);
    return 0;
  }
  if (access(frames.folder, W_OK | X_OK) != 0) {
    captureError("cannot write into %s: %s", frames.folder, std::strerror(errno));
    return 0;
  }
  return 1;
}

int writePng(int64_t frame, const uint8_t* pixels) {
  char path[PATH_MAX + 32];
  const size_t length = std::strlen(frames.folder);
  const char* separator = length > 0 && frames.folder[length - 1] == '/' ? "" : "/";
  std::snprintf(path, sizeof path, "%s%sframe-%06lld.png", frames.folder, separator,
                static_cast<long long>(frame));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frames.width);
  image.height = static_cast<png_uint_32>(frames.height);
  image.format = PNG_FORMAT_RGB;
  // GL's rows run bottom up: a negative stride writes them top down.
  const png_int_32 stride = -static_cast<png_int_32>(frames.width * 3);
  if (!png_image_write_to_file(&image, path, 0, pixels, stride, nullptr)) {
    captureError("cannot write %s: %s", path, image.message);
    unlink(path);
    return 0;
  }
  return 1;
}

int finishFrames(int64_t) { return 1; }

// No helper process: a write ends by itself.
void haltFrames() {}

// Every frame written is a whole picture; a failed one is removed as it fails.
void abandonFrames() {}
}  // namespace

const CaptureOutput framesOutput = {GL_RGB,       3,          openFrames,   writePng,
                                    finishFrames, haltFrames, abandonFrames};
