// Jumps to any moment of the show, backwards too, in a few milliseconds.
//
// A jump lands where a later start lands: in the state the frame clock (60
// frames per second, as the capture tool's default) leaves before the
// moment's frame. To get there without running every frame from the start,
// moments are kept on the way: copies of the show's state every 2 s of show,
// made by running the show ahead of the one on screen, on a silent stream of
// its own, with the state on screen set aside meanwhile. A jump puts the
// nearest moment before it back and runs the few frames from there without
// drawing them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/frame_clock.h"

// The frame clock jumps stand on.
constexpr int kSeekFramesPerSecond = kFastForwardFramesPerSecond;
// A moment every 2 s of show: a jump runs at most that many frames; 98
// moments for the whole show.
constexpr int64_t kSeekKeptEveryFrames = 2 * kSeekFramesPerSecond;

// Starts keeping moments: the show's state now, after start-up and before
// its first frame, is the first one. Opens a second stream of the music that
// is never heard, for the frames run ahead, when the music is open; a silent
// show runs ahead on the silent clock. Called once by start-up. Returns 1, or
// 0 (jumps are then refused) when no second stream could be opened.
int seekStart();

// Whether jumps can be made (seekStart succeeded).
int seekReady();

// Between frames: runs the show ahead of the one on screen for up to
// `budgetMs` of wall time (at least one frame), keeping a moment every
// kSeekKeptEveryFrames frames, and puts the state on screen back. Called by
// the main loop after each frame it presents until it returns 0: every moment
// of the show is kept.
int seekRunAhead(double budgetMs);

// Puts in place the show's state the frame clock leaves before frame `frame`
// (0 to the show's end): the nearest moment kept at or before it, then the
// frames from there run without drawing, on the second stream. Runs ahead
// first where the moments do not yet reach that far. The GL capabilities are
// switched through gfxDirect. The caller then runs frame `frame` itself, on
// the music heard (runClockFrame). Returns 1, or 0 when the show ended on the
// way (the music stops before the frame) or jumps cannot be made.
int seekStateBefore(int64_t frame);

// Runs frames first to end - 1 of the frame clock without drawing, on the
// second stream, from the state in place: the frames a gap between two
// frames on screen left out (a minimised window, a stalled machine), so
// that the next frame finds what an unbroken run leaves there. Returns 1, or
// 0 when the show ended on the way or there is no second stream.
int seekRunUnseen(int64_t first, int64_t end);

// Forgets the moments that stand after frame `frame`, and the run ahead with
// them: they were made under a table of moments that has changed from there
// on. Jumps run ahead again from the last moment left. Called by the maker's
// mode when a save takes a new table.
void seekForgetAfter(int64_t frame);

// Runs ahead on the music in `file` from now on (the music heard has been
// swapped for it), and forgets the moments after frame `frame`, where the
// two musics part. Returns 1, or 0 when the file cannot be opened (nothing
// changes then). A silent show has no stream to swap and returns 1.
int seekUseMusic(const char* file, int64_t frame);

// The moments kept so far and the memory they hold (the copies and the grids
// they do not share), in bytes.
int seekKeptMoments();
size_t seekKeptBytes();

// Forgets every moment and closes the second stream. Called before the audio
// layer is released; seekStart may follow.
void seekStop();
