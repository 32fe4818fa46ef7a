#include "app/show_folder.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "app/show.h"
#include "assets/slots.h"

#ifndef VANTOREL_DATA_FROM_BIN
#error "the build names the installed folder relative to the executable's"
#endif

namespace {
// A readable file `name` inside `folder`.
bool holds(const char* folder, const char* name) {
  char path[PATH_MAX];
  const int n = std::snprintf(path, sizeof path, "%s/%s", folder, name);
  return n > 0 && n < PATH_MAX && access(path, R_OK) == 0;
}

bool copyTo(const char* folder, char* out, size_t size) {
  const int n = std::snprintf(out, size, "%s", folder);
  return n >= 0 && static_cast<size_t>(n) < size;
}

// `first` when it holds the show, else the installed folder of
// `programFolder` when that does, else `first`.
bool firstHolding(const char* first, const char* programFolder, char* out, size_t size) {
  char installed[PATH_MAX];
  if (!folderHoldsShow(first) && installedFolderOf(programFolder, installed, sizeof installed) &&
      folderHoldsShow(installed))
    return copyTo(installed, out, size);
  return copyTo(first, out, size);
}
}  // namespace

bool folderHoldsShow(const char* folder) {
  if (holds(folder, kMusicFile)) return true;
  for (const char* name : kSlotFiles) {
    if (name && holds(folder, name)) return true;
  }
  return false;
}

int executableFolder(char* out, size_t size) {
  if (size < 2) return 0;
  const ssize_t n = readlink("/proc/self/exe", out, size - 1);
  if (n <= 0 || static_cast<size_t>(n) >= size - 1) return 0;
  out[n] = '\0';
  char* slash = std::strrchr(out, '/');
  if (!slash) return 0;
  // The root folder keeps its slash.
  slash[slash == out ? 1 : 0] = '\0';
  return 1;
}

int installedFolderOf(const char* programFolder, char* out, size_t size) {
  const int n = std::snprintf(out, size, "%s/%s", programFolder, VANTOREL_DATA_FROM_BIN);
  return n > 0 && static_cast<size_t>(n) < size;
}

int desktopShowFolder(const char* programFolder, char* out, size_t size) {
  return firstHolding(".", programFolder, out, size);
}

int captureShowFolder(const char* programFolder, char* out, size_t size) {
  return firstHolding(programFolder, programFolder, out, size);
}

void moveToShowFiles() {
  char own[PATH_MAX];
  char folder[PATH_MAX];
  if (!executableFolder(own, sizeof own) || !desktopShowFolder(own, folder, sizeof folder)) return;
  if (std::strcmp(folder, ".") != 0 && chdir(folder) != 0)
    std::perror("vantorel: cannot open the installed show's folder");
}
