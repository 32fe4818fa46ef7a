// Work done in a process of its own beside the show, so that a long piece of
// work (the music made anew) never holds up a frame and can be dropped at
// once when the show ends.
#pragma once

// A running job: 0 is none.
using Job = int;

// Starts work(arg) in a new process, a copy of this one as it stands at the
// call (arg and what it points at are copied with it; the work may use
// nothing else of the show). The process ends with work's result, 0 to 255,
// as its status. Returns the job, or 0 when no process could be made.
Job jobStart(int (*work)(void* arg), void* arg);

// Looks without blocking: -1 while the job runs, its status once it has
// ended (the job is then gone), 255 when it was killed.
int jobPoll(Job job);

// Ends a running job at once and waits for it to go. Nothing happens to a
// job that has ended.
void jobCancel(Job job);
