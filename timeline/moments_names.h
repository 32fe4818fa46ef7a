// The names a moments file gives the tables' values: the code's own
// constants, and the cue in the table's own words. Used by the file's reader
// and writer (timeline/moments_file.h).
#pragma once

#include <cstdint>
#include <string>

#include "timeline/moments.h"

struct NamedValue {
  const char* name;
  int32_t value;
};

// Each kind of value, by its names. The counts say how many rows each has.
extern const NamedValue kMomentNamed[];
extern const int kMomentNamedCount;
extern const NamedValue kSlotNamed[];
extern const int kSlotNamedCount;
extern const NamedValue kBackdropNamed[];  // the slots and kKeepBackdrop
extern const int kBackdropNamedCount;
extern const NamedValue kDirectionNamed[];
extern const int kDirectionNamedCount;
extern const NamedValue kCardNamed[];
extern const int kCardNamedCount;
extern const NamedValue kSlideNamed[];
extern const int kSlideNamedCount;

// The value named `name` in `names`: 1 and *value, or 0.
int valueNamed(const char* name, const NamedValue* names, int count, int32_t* value);
// The name of `value` in `names`, or nullptr.
const char* nameOfValue(int32_t value, const NamedValue* names, int count);
// The names, comma-separated, for a message; long lists are cut short.
std::string namesList(const NamedValue* names, int count);

// A cue as it is written: "none", "once(meshTo(kMeshCube), swarmTo(kSpriteRespawn))"
// or "everyFrame(ribbonsTo(kRibbonHidden))". cueText writes it; parseCue reads
// it back, and on a fault says at which byte of the text and why.
struct CueParseError {
  int offset = 0;
  const char* reason = "";
};
std::string cueText(const Cue& cue);
int parseCue(const char* text, Cue* cue, CueParseError* error);
