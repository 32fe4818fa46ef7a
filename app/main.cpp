// vantorel: plays the music and draws the show timed to it. Takes no
// arguments; reads its pictures and music from the working directory.
#include <cstdio>

#include "app/show.h"
#include "platform/sys.h"

int main() {
  // The clock lines held Space prints are read as they come, also through a
  // pipe or a file: each line goes out whole at once.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  sysTuneAllocator();
  return runShow();
}
