// vantorel: plays the music and draws the show timed to it. Reads its
// pictures and music from the working directory, or from the installed ones.
// See --help for the options; without any it asks its start-up question.
#include <cstdio>

#include "app/options.h"
#include "app/show.h"
#include "app/show_folder.h"
#include "platform/sys.h"

int main(int argc, char** argv) {
  ShowStart start;
  char why[256];
  switch (parseShowOptions(argc, argv, &start, why, sizeof why)) {
    case OptionsParse::Help:
      std::fputs(kShowUsage, stdout);
      return 0;
    case OptionsParse::Version:
      std::printf("vantorel %s\n", kShowVersion);
      return 0;
    case OptionsParse::Bad:
      std::fprintf(stderr, "vantorel: %s\n\n%s", why, kShowUsage);
      return kStatusBadOptions;
    case OptionsParse::Run:
      break;
  }
  // The clock lines held Space prints are read as they come, also through a
  // pipe or a file: each line goes out whole at once.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  sysTuneAllocator();
  moveToShowFiles();
  return runShow(start);
}
