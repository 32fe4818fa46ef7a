// The capture's progress line: frames done, frames per second, time left.
// Written over itself on standard error while that is a terminal; nothing at
// all otherwise, so logs and pipes stay quiet.
#pragma once

#include <cstdint>

// Starts counting towards `total` frames (an estimate; 0 when unknown).
void progressStart(int64_t total);

// Notes that `done` frames are finished; redraws the line a few times a
// second at most. `skipping` says the capture is still running the frames
// before its start.
void progressUpdate(int64_t done, bool skipping);

// No line from here on, even on a terminal: for the processes of --jobs,
// whose parent draws the line for all of them.
void progressQuiet();

// Ends the line (a terminal's cursor goes to the next line).
void progressEnd();

// The line itself, for a count, a rate in frames per second and the frames
// still to come: "frame 120 of 600, 59.5 fps, 0:08 left". Written into
// `line` (room for size bytes).
void progressFormat(char* line, int size, int64_t done, int64_t total, double framesPerSecond,
                    bool skipping);
