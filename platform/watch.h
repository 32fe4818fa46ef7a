// Watching a file a person edits: told when a save has finished, however the
// editor saves (writing the file in place, or writing another and renaming it
// over the first).
#pragma once

#include <cstdint>

// A watch on one file: 0 is none.
using FileWatch = int;

// Starts watching the file at `path` (its folder must exist; the file need
// not). Returns the watch, or 0 when the system refuses one. The caller owns
// it and ends it with fileWatchEnd.
FileWatch fileWatchStart(const char* path);

// Looks, without blocking, at what happened to the file since the last look.
// Returns 1 when a save has finished and no write has followed it for
// `quietMs` ms of the monotonic clock: the file is whole and can be read. A
// write still going on (a file caught half-written) keeps it 0 until that
// write has ended too. Called once per frame by the maker's mode.
int fileWatchSaved(FileWatch watch, int64_t quietMs);

// Ends the watch.
void fileWatchEnd(FileWatch watch);
