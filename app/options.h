// The desktop program's command line: the start-up question answered in
// advance, a later start, the help and the version.
#pragma once

#include "app/show.h"
#include "timeline/moments.h"

// The exit status after options that cannot be used; the usage has gone to
// standard error.
constexpr int kStatusBadOptions = 2;
// The exit status when --export-moments cannot write its file.
constexpr int kStatusNotWritten = 1;

// What parsing decided. BadFile: the moments file is refused; the reason
// names its line and column, and the usage has nothing to add.
enum class OptionsParse { Run, Help, Version, Bad, BadFile };

// The moments the show plays, as the options choose them.
struct MomentsOptions {
  const char* file = nullptr;      // --moments FILE or --maker FILE: played instead of the compiled
  bool maker = false;              // --maker: the file is watched and every good save taken
  const char* exportTo = nullptr;  // --export-moments FILE: written, then the program ends
  MomentTable table = kCompiledMoments;  // the file's table once read, or the compiled one
};

// Parses the arguments into *start (starting from a plain start: the question
// asked, from the beginning). Anything it cannot use (an unknown option, a
// missing or malformed value, a moment outside the show, a word that is no
// option, --window with --fullscreen) gives OptionsParse::Bad with one line
// saying why in `why` (room for whySize bytes). A moments file is read and
// checked here, into moments->table (the moments options are refused when
// `moments` is nullptr); a --start then has to lie before the file's end.
// Called once by main; tests call it as often as they like.
OptionsParse parseShowOptions(int argc, char** argv, ShowStart* start, char* why, int whySize,
                              MomentsOptions* moments = nullptr);

// The --help text, also shown on standard error after bad options.
extern const char* const kShowUsage;

// The program's version, as the build names it.
extern const char* const kShowVersion;
