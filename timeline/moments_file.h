// The moments as a file a person edits: the three tables of timeline/moments.h
// in TOML, every value by its name in the code (kMeshCube, kSlotSunsetWall),
// times in ms of music time. Written by vantorel --export-moments, read by
// --moments and watched by the maker's mode.
//
//   [[turn]]                 one row per camera turn, in time order
//   name = "TurnAway"
//   lo = 20000               the window lo < t <= hi
//   hi = 25999
//   direction = "kTurnAway"
//   widensWall = false
//
//   [[title]]                one row per title card: name, lo, hi, slot
//   [[scene]]                one row per scene: name, lo (the first one's is
//                            "kFromTheStart"), backdrop, card, cardSlide,
//                            enablesBlend, switchesCard, spins, endsShow, and
//                            cue = "once(meshTo(kMeshCube), swarmTo(kSpriteRespawn))",
//                            "everyFrame(meshTo(kMeshSphere))" or "none"
//
// A scene's fields but its name and lo may be left out: they take the values
// a scene has when the code leaves them out.
#pragma once

#include <cstddef>
#include <string>

#include "timeline/moments.h"

// Where a file goes wrong and why, for a person: line and column from 1
// (0 when the fault is the file as a whole, as one that cannot be read).
struct MomentsFileError {
  int line = 0;
  int column = 0;
  char reason[320] = {};
};

// The largest file read and the longest line: a moments file is a few
// hundred short lines, and anything far past that is not one.
constexpr size_t kMostMomentsFileBytes = 1 << 20;
constexpr int kMostMomentsLineChars = 1000;

// The file's text for `table`. Reading it back gives `table` again.
std::string momentsText(const MomentTable& table);

// Parses a moments file's text (`size` bytes, no terminator needed) and
// checks the table it holds as checkMoments does. Returns 1 with the table in
// *table, or 0 with the first fault in *error (*table is then left as it
// was). Never throws, whatever the bytes.
int parseMoments(const char* text, size_t size, MomentTable* table, MomentsFileError* error);

// Reads and parses the file at `path`, as parseMoments. A file that cannot be
// opened or read gives 0 with line 0 and the system's reason.
int readMomentsFile(const char* path, MomentTable* table, MomentsFileError* error);

// Writes momentsText(table) to `path`, replacing it whole. Returns 1, or 0
// with the reason in why (room for whySize bytes).
int writeMomentsFile(const char* path, const MomentTable& table, char* why, int whySize);
