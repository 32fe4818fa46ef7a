// vantorel: plays the music and draws the show timed to it. Takes no
// arguments; reads its pictures and music from the working directory.
#include "app/show.h"
#include "platform/sys.h"

int main() {
  sysTuneAllocator();
  return runShow();
}
