// Writing the moments file: every row, every field, every value by its name.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "timeline/moments_file.h"
#include "timeline/moments_names.h"

namespace {
const char kHeader[] =
    "# The moments of the show: every change the music clock makes to the picture.\n"
    "# Times are ms of music time; a window holds every t with lo < t <= hi. A scene\n"
    "# runs from its lo to the next scene's lo. Each table stays in time order, and\n"
    "# every moment keeps its one row. vantorel --moments FILE plays it;\n"
    "# vantorel --maker FILE plays it and takes every save at once.\n";

std::string quoted(const char* name) { return std::string("\"") + (name ? name : "?") + "\""; }
const char* yesNo(bool value) { return value ? "true" : "false"; }

void line(std::string& out, const char* key, const std::string& value) {
  out += key;
  out += " = ";
  out += value;
  out += '\n';
}
}  // namespace

std::string momentsText(const MomentTable& table) {
  std::string out = kHeader;
  for (const Turn& turn : table.turns) {
    out += "\n[[turn]]\n";
    line(out, "name", quoted(momentName(turn.name)));
    line(out, "lo", std::to_string(turn.lo));
    line(out, "hi", std::to_string(turn.hi));
    line(out, "direction",
         quoted(nameOfValue(turn.direction, kDirectionNamed, kDirectionNamedCount)));
    line(out, "widensWall", yesNo(turn.widensWall));
  }
  for (const Title& title : table.titles) {
    out += "\n[[title]]\n";
    line(out, "name", quoted(momentName(title.name)));
    line(out, "lo", std::to_string(title.lo));
    line(out, "hi", std::to_string(title.hi));
    line(out, "slot", quoted(nameOfValue(title.slot, kSlotNamed, kSlotNamedCount)));
  }
  for (const Scene& scene : table.scenes) {
    out += "\n[[scene]]\n";
    line(out, "name", quoted(momentName(scene.name)));
    line(out, "lo", scene.lo == kFromTheStart ? quoted("kFromTheStart") : std::to_string(scene.lo));
    line(out, "backdrop", quoted(nameOfValue(scene.backdrop, kBackdropNamed, kBackdropNamedCount)));
    line(out, "card", quoted(nameOfValue(static_cast<int32_t>(scene.card), kCardNamed,
                                         kCardNamedCount)));
    line(out, "cardSlide", quoted(nameOfValue(scene.cardSlide, kSlideNamed, kSlideNamedCount)));
    line(out, "enablesBlend", yesNo(scene.enablesBlend));
    line(out, "switchesCard", yesNo(scene.switchesCard));
    line(out, "spins", yesNo(scene.spins));
    line(out, "endsShow", yesNo(scene.endsShow));
    line(out, "cue", quoted(cueText(scene.cue).c_str()));
  }
  return out;
}

int writeMomentsFile(const char* path, const MomentTable& table, char* why, int whySize) {
  const std::string text = momentsText(table);
  std::FILE* file = std::fopen(path, "wb");
  if (!file) {
    std::snprintf(why, static_cast<size_t>(whySize), "cannot write %s: %s", path,
                  std::strerror(errno));
    return 0;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int savedErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    std::snprintf(why, static_cast<size_t>(whySize), "cannot write %s: %s", path,
                  std::strerror(written ? errno : savedErrno));
    return 0;
  }
  return 1;
}
