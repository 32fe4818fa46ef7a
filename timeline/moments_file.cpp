#include "timeline/moments_file.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <toml.hpp>
#include <vector>

#include "timeline/moments_names.h"

namespace {
using Value = toml::basic_value<toml::discard_comments, std::map, std::vector>;

// No legal moments file nests brackets deeper than a cue's list inside a
// row; the parser recurses per level, so deeper input is turned away first.
constexpr int kMostNesting = 8;

struct Place {
  int line = 0, column = 0;
};

Place placeOf(const Value& value) {
  const toml::source_location where = value.location();
  return {static_cast<int>(where.line()), static_cast<int>(where.column())};
}

[[gnu::format(printf, 3, 4)]] int fail(MomentsFileError* error, Place place, const char* format,
                                       ...) {
  error->line = place.line;
  error->column = place.column;
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(error->reason, sizeof error->reason, format, arguments);
  va_end(arguments);
  return 0;
}

// How many bytes the UTF-8 sequence at `at` takes, 0 when it is none:
// a stray continuation byte, a sequence cut short, one longer than needed
// (overlong), a surrogate or a code point past U+10FFFF.
size_t utf8Length(const unsigned char* bytes, size_t at, size_t size) {
  const unsigned char lead = bytes[at];
  if (lead < 0x80) return 1;
  size_t length;
  uint32_t point, least;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, point = lead & 0x1Fu, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, point = lead & 0x0Fu, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, point = lead & 0x07u, least = 0x10000;
  } else {
    return 0;
  }
  if (size - at < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((bytes[at + k] & 0xC0) != 0x80) return 0;
    point = point << 6 | (bytes[at + k] & 0x3Fu);
  }
  if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

// What toml11 can be spared: bytes that are no UTF-8 text file (its own
// report of bad UTF-8 inside a string reads past its buffer), lines past
// any a person writes, nesting past any the format has.
int screenText(const char* text, size_t size, MomentsFileError* error) {
  if (size == 0) return fail(error, {1, 1}, "the file is empty");
  if (size > kMostMomentsFileBytes)
    return fail(error, {0, 0}, "the file is larger than %zu bytes", kMostMomentsFileBytes);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
    return fail(error, {1, 1}, "the file is UTF-16 (it starts with a byte order mark); save it as UTF-8");
  int line = 1, column = 0, depth = 0;
  char quote = 0;
  bool comment = false;
  for (size_t i = 0; i < size; ++i) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      column = 0;
      comment = false;
      if (quote == '"' || quote == '\'') quote = 0;
      continue;
    }
    ++column;
    if (column > kMostMomentsLineChars)
      return fail(error, {line, column}, "line %d is longer than %d characters", line,
                  kMostMomentsLineChars);
    if (c == '\0') return fail(error, {line, column}, "a NUL byte: this is no text file");
    const size_t length = utf8Length(bytes, i, size);
    if (length == 0) {
      return fail(error, {line, column}, "byte 0x%02X is no UTF-8 text; save the file as UTF-8",
                  bytes[i]);
    }
    if (length > 1) {
      i += length - 1;  // one character, one column
      continue;
    }
    if (comment) continue;
    if (quote) {
      if (c == '\\' && quote == '"' && i + 1 < size && text[i + 1] != '\n') {
        ++i;
        ++column;
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '#') comment = true;
    if (c == '"' || c == '\'') quote = c;
    if (c == '[' || c == '{') {
      if (++depth > kMostNesting)
        return fail(error, {line, column}, "brackets nested deeper than %d", kMostNesting);
    }
    if ((c == ']' || c == '}') && depth > 0) --depth;
  }
  return 1;
}

// toml11's message for a person: its first line without the "[error]
// toml::parse_x: " before it, and the hint under its caret, as in
// "the next token is not a boolean".
std::string shortReason(const char* what) {
  const std::string all(what);
  std::string head = all.substr(0, all.find('\n'));
  for (const char* prefix : {"[error] ", "toml::"}) {
    if (head.rfind(prefix, 0) == 0) head.erase(0, std::strlen(prefix));
  }
  const size_t colon = head.find(": ");
  if (colon != std::string::npos && head.find(' ') > colon) head.erase(0, colon + 2);
  while (!head.empty() && head.back() == ' ') head.pop_back();
  std::string hint;
  const size_t caret = all.rfind('^');
  if (caret != std::string::npos) {
    const size_t from = all.find_first_not_of("^-~ ", caret);
    if (from != std::string::npos) hint = all.substr(from, all.find('\n', from) - from);
  }
  if (head.empty() && hint.empty()) return "this is not TOML";
  if (head.empty()) return hint;
  if (hint.empty() || head.find(hint) != std::string::npos) return head;
  return head + " (" + hint + ")";
}

// The column toml11's caret points at ("  12 | lo = x" over "     |      ^"),
// which is nearer the fault than its region's start; else `otherwise`.
int caretColumn(const char* what, unsigned otherwise) {
  const std::string all(what);
  const size_t caret = all.rfind('^');
  if (caret == std::string::npos) return static_cast<int>(otherwise);
  const size_t lineStart = all.rfind('\n', caret) + 1;  // npos + 1 is 0
  const size_t bar = all.find('|', lineStart);
  if (bar == std::string::npos || bar > caret) return static_cast<int>(otherwise);
  return static_cast<int>(caret - bar - 1);
}

// One row of a table being read: where each of its fields stands, for the
// checks that name a field.
struct RowPlaces {
  Place row;
  std::map<std::string, Place> fields;
};

class RowReader {
 public:
  RowReader(const Value& row, const char* kind, MomentsFileError* error, RowPlaces* places)
      : row_(row), kind_(kind), error_(error), places_(places) {
    places_->row = placeOf(row);
  }

  // Every key of the row must be one of `known`; the first stray one (by
  // line) is the fault.
  int onlyKnown(std::initializer_list<const char*> known) {
    const Value* stray = nullptr;
    const char* strayKey = nullptr;
    for (const auto& [key, value] : row_.as_table()) {
      bool ok = false;
      for (const char* k : known) ok |= key == k;
      if (!ok && (!stray || placeOf(value).line < placeOf(*stray).line)) {
        stray = &value;
        strayKey = key.c_str();
      }
    }
    if (!stray) return 1;
    std::string list;
    for (const char* k : known) list += std::string(list.empty() ? "" : ", ") + k;
    return fail(error_, placeOf(*stray), "\"%s\" is no field of a [[%s]] row (its fields: %s)",
                strayKey, kind_, list.c_str());
  }

  // The value of `key`, or nullptr with the fault set when it is missing and
  // `required`.
  const Value* field(const char* key, bool required, int* ok) {
    const auto& table = row_.as_table();
    const auto found = table.find(key);
    if (found == table.end()) {
      if (required) *ok = fail(error_, places_->row, "this [[%s]] row has no %s", kind_, key);
      return nullptr;
    }
    places_->fields[key] = placeOf(found->second);
    return &found->second;
  }

  int time(const char* key, int32_t* ms, const char* orName = nullptr, int32_t nameValue = 0) {
    int ok = 1;
    const Value* value = field(key, true, &ok);
    if (!value) return ok;
    if (orName && value->is_string() && value->as_string().str == orName) {
      *ms = nameValue;
      return 1;
    }
    if (!value->is_integer())
      return fail(error_, placeOf(*value), "%s must be a whole number of ms%s%s", key,
                  orName ? " or " : "", orName ? orName : "");
    const auto n = value->as_integer();
    if (n < 0 || n > kLatestMomentMs)
      return fail(error_, placeOf(*value), "%s: %lld lies outside 0 to %d ms", key,
                  static_cast<long long>(n), kLatestMomentMs);
    *ms = static_cast<int32_t>(n);
    return 1;
  }

  int flag(const char* key, bool required, bool* out) {
    int ok = 1;
    const Value* value = field(key, required, &ok);
    if (!value) return ok;
    if (!value->is_boolean())
      return fail(error_, placeOf(*value), "%s must be true or false", key);
    *out = value->as_boolean();
    return 1;
  }

  // A value by its name in `names`.
  int named(const char* key, bool required, const NamedValue* names, int count, int32_t* out) {
    int ok = 1;
    const Value* value = field(key, required, &ok);
    if (!value) return ok;
    if (!value->is_string())
      return fail(error_, placeOf(*value), "%s must be a name in quotes, such as \"%s\"", key,
                  names[0].name);
    const std::string& text = value->as_string().str;
    if (!valueNamed(text.c_str(), names, count, out))
      return fail(error_, placeOf(*value), "%s: unknown name \"%.80s\" (%s)", key, text.c_str(),
                  namesList(names, count).c_str());
    return 1;
  }

  int moment(Moment* out) {
    int32_t n = 0;
    if (!named("name", true, kMomentNamed, kMomentNamedCount, &n)) return 0;
    *out = static_cast<Moment>(n);
    return 1;
  }

  int cue(Cue* out) {
    int ok = 1;
    const Value* value = field("cue", false, &ok);
    if (!value) return ok;
    if (!value->is_string())
      return fail(error_, placeOf(*value), "cue must be text in quotes, such as \"none\"");
    CueParseError why;
    if (!parseCue(value->as_string().str.c_str(), out, &why)) {
      Place place = placeOf(*value);
      place.column += 1 + why.offset;  // past the opening quote
      return fail(error_, place, "cue: %s", why.reason);
    }
    return 1;
  }

 private:
  const Value& row_;
  const char* kind_;
  MomentsFileError* error_;
  RowPlaces* places_;
};

int readTurn(RowReader& r, Turn* turn) {
  int32_t direction = 0;
  return r.onlyKnown({"name", "lo", "hi", "direction", "widensWall"}) && r.moment(&turn->name) &&
         r.time("lo", &turn->lo) && r.time("hi", &turn->hi) &&
         r.named("direction", true, kDirectionNamed, kDirectionNamedCount, &direction) &&
         (turn->direction = direction, r.flag("widensWall", true, &turn->widensWall));
}

int readTitle(RowReader& r, Title* title) {
  return r.onlyKnown({"name", "lo", "hi", "slot"}) && r.moment(&title->name) &&
         r.time("lo", &title->lo) && r.time("hi", &title->hi) &&
         r.named("slot", true, kSlotNamed, kSlotNamedCount, &title->slot);
}

int readScene(RowReader& r, Scene* scene) {
  *scene = Scene{};
  int32_t card = static_cast<int32_t>(Card::Hidden);
  const int ok =
      r.onlyKnown({"name", "lo", "backdrop", "card", "cardSlide", "enablesBlend", "switchesCard",
                   "spins", "endsShow", "cue"}) &&
      r.moment(&scene->name) && r.time("lo", &scene->lo, "kFromTheStart", kFromTheStart) &&
      r.named("backdrop", false, kBackdropNamed, kBackdropNamedCount, &scene->backdrop) &&
      r.named("card", false, kCardNamed, kCardNamedCount, &card) &&
      r.named("cardSlide", false, kSlideNamed, kSlideNamedCount, &scene->cardSlide) &&
      r.flag("enablesBlend", false, &scene->enablesBlend) &&
      r.flag("switchesCard", false, &scene->switchesCard) && r.flag("spins", false, &scene->spins) &&
      r.flag("endsShow", false, &scene->endsShow) && r.cue(&scene->cue);
  scene->card = static_cast<Card>(card);
  return ok;
}

// The rows of one table: exactly as many as the show has, each read by `read`.
template <typename Row, typename ReadRow>
int readRows(const Value& root, const char* kind, const char* plural, Row* rows, int count,
             const Row* compiled, std::vector<RowPlaces>* places, MomentsFileError* error,
             ReadRow read) {
  const auto& top = root.as_table();
  const auto found = top.find(kind);
  std::string names;
  for (int i = 0; i < count; ++i) names += std::string(i ? ", " : "") + momentName(compiled[i].name);
  if (found == top.end())
    return fail(error, {1, 1}, "the file has no [[%s]] rows; the show has %d %s: %s", kind, count,
                plural, names.c_str());
  const Value& array = found->second;
  if (!array.is_array())
    return fail(error, placeOf(array), "%s must be [[%s]] rows", kind, kind);
  const auto& list = array.as_array();
  places->assign(static_cast<size_t>(count), RowPlaces{});
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i].is_table())
      return fail(error, placeOf(list[i]), "%s must be [[%s]] rows", kind, kind);
    if (static_cast<int>(i) >= count)
      return fail(error, placeOf(list[i]), "one [[%s]] row too many: the show has %d %s", kind,
                  count, plural);
    RowReader reader(list[i], kind, error, &(*places)[i]);
    if (!read(reader, &rows[i])) return 0;
  }
  if (static_cast<int>(list.size()) < count)
    return fail(error, placeOf(list.back()), "%d [[%s]] rows, but the show has %d %s: %s",
                static_cast<int>(list.size()), kind, count, plural, names.c_str());
  return 1;
}

// Where a fault checkMoments found stands in the file.
Place faultPlace(const MomentFault& fault, const std::vector<RowPlaces>* places) {
  const int table = static_cast<int>(fault.part) - static_cast<int>(MomentPart::Turns);
  if (table < 0) return {1, 1};
  const RowPlaces& row = places[table][static_cast<size_t>(fault.row)];
  const auto found = row.fields.find(fault.field);
  return found != row.fields.end() ? found->second : row.row;
}
}  // namespace

int parseMoments(const char* text, size_t size, MomentTable* table, MomentsFileError* error) {
  *error = MomentsFileError{};
  if (!screenText(text, size, error)) return 0;
  MomentTable read = kCompiledMoments;
  std::vector<RowPlaces> places[3];
  try {
    std::istringstream stream(std::string(text, size));
    const Value root = toml::parse<toml::discard_comments, std::map, std::vector>(stream, "moments");
    for (const auto& [key, value] : root.as_table()) {
      if (key != "turn" && key != "title" && key != "scene")
        return fail(error, placeOf(value), "\"%s\" is no table of the moments (they are [[turn]], "
                    "[[title]] and [[scene]])", key.c_str());
    }
    if (!readRows(root, "turn", "turns", read.turns, kTurnCount, kTurns, &places[0], error,
                  readTurn) ||
        !readRows(root, "title", "titles", read.titles, kTitleCount, kTitles, &places[1], error,
                  readTitle) ||
        !readRows(root, "scene", "scenes", read.scenes, kSceneCount, kScenes, &places[2], error,
                  readScene))
      return 0;
  } catch (const toml::exception& e) {
    const toml::source_location where = e.location();
    return fail(error, {static_cast<int>(where.line()), caretColumn(e.what(), where.column())},
                "%s", shortReason(e.what()).c_str());
  } catch (const std::exception& e) {
    return fail(error, {1, 1}, "%s", shortReason(e.what()).c_str());
  }
  const MomentFault fault = checkMoments(read);
  if (fault.reason) {
    const char* kinds[] = {"", "turn", "title", "scene"};
    const int kind = static_cast<int>(fault.part);
    if (fault.part == MomentPart::None)
      return fail(error, {1, 1}, "the moment %s %s", momentName(static_cast<Moment>(fault.row)),
                  fault.reason);
    const Moment name = kind == 1   ? read.turns[fault.row].name
                        : kind == 2 ? read.titles[fault.row].name
                                    : read.scenes[fault.row].name;
    return fail(error, faultPlace(fault, places), "%s of the %s %s %s", fault.field, kinds[kind],
                momentName(name), fault.reason);
  }
  *table = read;
  return 1;
}

int readMomentsFile(const char* path, MomentTable* table, MomentsFileError* error) {
  *error = MomentsFileError{};
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return fail(error, {0, 0}, "cannot open it: %s", std::strerror(errno));
  std::string text;
  char buffer[1 << 14];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, got);
    if (text.size() > kMostMomentsFileBytes) break;
  }
  const bool failed = std::ferror(file) != 0;
  const int savedErrno = errno;
  std::fclose(file);
  if (failed) return fail(error, {0, 0}, "cannot read it: %s", std::strerror(savedErrno));
  return parseMoments(text.data(), text.size(), table, error);
}
