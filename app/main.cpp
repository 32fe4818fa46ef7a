// vantorel: plays the music and draws the show timed to it. Reads its
// pictures and music from the working directory, or from the installed ones.
// See --help for the options; without any it asks its start-up question.
#include <cstdio>

#include "app/maker.h"
#include "app/options.h"
#include "app/show.h"
#include "app/show_folder.h"
#include "platform/sys.h"
#include "timeline/moments_file.h"

int main(int argc, char** argv) {
  ShowStart start;
  MomentsOptions moments;
  char why[512];
  switch (parseShowOptions(argc, argv, &start, why, sizeof why, &moments)) {
    case OptionsParse::Help:
      std::fputs(kShowUsage, stdout);
      return 0;
    case OptionsParse::Version:
      std::printf("vantorel %s\n", kShowVersion);
      return 0;
    case OptionsParse::Bad:
      std::fprintf(stderr, "vantorel: %s\n\n%s", why, kShowUsage);
      return kStatusBadOptions;
    case OptionsParse::BadFile:
      std::fprintf(stderr, "vantorel: %s\n", why);
      return kStatusBadOptions;
    case OptionsParse::Run:
      break;
  }
  if (moments.exportTo) {
    if (!writeMomentsFile(moments.exportTo, moments.table, why, sizeof why)) {
      std::fprintf(stderr, "vantorel: %s\n", why);
      return kStatusNotWritten;
    }
    return 0;
  }
  playMoments(moments.table);
  // The clock lines held Space prints are read as they come, also through a
  // pipe or a file: each line goes out whole at once.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  sysTuneAllocator();
  moveToShowFiles();
  if (!moments.maker) return runShow(start);
  makerStart(moments.file);
  const int status = runShow(start);
  makerStop();
  return status;
}
