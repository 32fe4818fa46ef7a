// File watches through inotify: the file's folder is watched, so that an
// editor's save by rename (a new file moved over the old one) is seen as
// well as a write in place.
#include <limits.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/sys.h"
#include "platform/watch.h"

namespace {
struct Watched {
  std::string name;       // the file's name in its folder
  bool saved = false;     // a save has finished since the last one taken
  int64_t lastWriteMs = 0;  // the monotonic time of the last event on the file
};
// Open watches by their inotify descriptor. Owned here.
std::map<int, Watched> watches;

void drain(int fd, Watched& watched) {
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) return;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0 || watched.name != event->name) continue;
      watched.lastWriteMs = sysMonotonicMs();
      if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) watched.saved = true;
    }
  }
}
}  // namespace

FileWatch fileWatchStart(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const std::string folder = slash ? std::string(path, slash == path ? 1 : slash - path) : ".";
  const std::string name = slash ? slash + 1 : path;
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return 0;
  if (inotify_add_watch(fd, folder.c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) <
      0) {
    close(fd);
    return 0;
  }
  // Descriptor 0 is standard input, never one inotify hands out here.
  watches[fd] = Watched{name};
  return fd;
}

int fileWatchSaved(FileWatch watch, int64_t quietMs) {
  const auto found = watches.find(watch);
  if (found == watches.end()) return 0;
  Watched& watched = found->second;
  drain(watch, watched);
  if (!watched.saved || sysMonotonicMs() - watched.lastWriteMs < quietMs) return 0;
  watched.saved = false;
  return 1;
}

void fileWatchEnd(FileWatch watch) {
  if (watches.erase(watch)) close(watch);
}
