// The desktop program's command line: the start-up question answered in
// advance, a later start, the help and the version.
#pragma once

#include "app/show.h"

// The exit status after options that cannot be used; the usage has gone to
// standard error.
constexpr int kStatusBadOptions = 2;

// What parsing decided.
enum class OptionsParse { Run, Help, Version, Bad };

// Parses the arguments into *start (starting from a plain start: the question
// asked, from the beginning). Anything it cannot use (an unknown option, a
// missing or malformed value, a moment outside the show, a word that is no
// option, --window with --fullscreen) gives OptionsParse::Bad with one line
// saying why in `why` (room for whySize bytes). Called once by main; tests
// call it as often as they like.
OptionsParse parseShowOptions(int argc, char** argv, ShowStart* start, char* why, int whySize);

// The --help text, also shown on standard error after bad options.
extern const char* const kShowUsage;

// The program's version, as the build names it.
extern const char* const kShowVersion;
