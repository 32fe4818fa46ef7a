// The maker's mode (vantorel --maker FILE): the show in a window, its
// moments read from FILE, with a timeline strip along the bottom (the scenes
// by name, the cue marks, the loop, the playhead) and the viewer's keys.
// Every save of FILE is checked: a good one is taken at once, the show run
// again from the last moment kept before the first change up to where it
// stood; a bad one leaves the last good table playing and its fault (line,
// column, reason) on screen until a good save. The file is only ever read.
// A save that moves a hit the music carries has the music made anew in a
// job beside the show and swapped in where the show stands.
//
// Keys beside the viewer's: [ and ] set the loop's start and end at the
// playhead (the stretch repeats, music and all; ] at or before the start
// clears it), , and . step one frame back and forward while paused. At the
// end of the show it pauses instead of closing.
#pragma once

#include <cstdint>

#include "timeline/moments.h"

// A save is taken once no write has touched the file for this long: an
// editor that writes in several steps is not read half-way.
constexpr int64_t kMakerQuietMs = 40;
// The strip's height at the bottom of the 1280x720 picture, in pixels.
constexpr double kMakerStripPx = 64.0;
// How long the strip says the music was made anew, in ms of wall time.
constexpr int64_t kMakerMusicNoteMs = 4000;

// Where the maker's mode pauses at the end: this much before the show ends,
// in ms of music time, so that the frame held still draws.
constexpr int32_t kMakerHoldBeforeEndMs = 100;

// What the maker's mode keeps. Owned here, one for the whole run.
struct MakerState {
  const char* path = nullptr;  // the file, as given; not owned
  int watch = 0;               // the file watch, 0 for none
  // The last refusal, shown until a good save; empty while the file is good.
  char fault[448] = {};
  // The loop, in ms of music time; it runs while loopStartMs < loopEndMs.
  int32_t loopStartMs = 0;
  int32_t loopEndMs = 0;
  // The saves taken and refused so far, and the wall time the last taken
  // one needed (read, checked, and the show run again to where it stood), ms.
  int taken = 0;
  int refused = 0;
  int64_t lastTakeMs = 0;
  // The music made anew for the hits a save moved: the job making it (0 for
  // none), the table it is made for, the file it writes, when it started
  // (monotonic ms). A save that moves hits while a job runs waits for it
  // (`pending`) and starts the next with the newest table.
  int job = 0;
  MomentTable jobTable{};
  char jobFile[512] = {};
  int64_t jobStartedMs = 0;
  bool pending = false;
  MomentTable pendingTable{};
  // The remade music heard now (removed when replaced and at the end), and
  // the hits it carries: the table it was made for.
  char musicFile[512] = {};
  MomentTable musicTable = kCompiledMoments;
  int remakes = 0;
  int64_t lastRemakeMs = 0;  // the wall time the last one took
  int64_t noteUntilMs = 0;   // "music made anew" shows until then
};
extern MakerState maker;

// Starts the mode on `path`, whose table the show already plays: watches the
// file and sets the main loop's hooks. Call after the options, before runShow.
// Returns 1, or 0 when the file cannot be watched (the mode then says why on
// standard error and plays without taking saves).
int makerStart(const char* path);

// Takes a save of the file now, as the watch does when one has finished:
// reads and checks it, then plays it or keeps the fault. Returns 1 when it
// has drawn the pass's frame (the show run again to where it stood), 0 when
// the pass still draws it. Called by the main loop's hook.
int makerTakeSave();

// Ends the mode: the watch closed, a music job dropped, its files removed,
// the hooks cleared.
void makerStop();
