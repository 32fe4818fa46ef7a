// The viewer's keys beside the show's own: P pauses and resumes, Left and
// Right jump 5 s back and forward, Page Up and Page Down to the start of the
// scene before and after, Home to the start. A jump lands where a later start
// lands and draws the frame the frame clock draws there (app/seek.h). After a
// jump, a pause or a resume, a line on the screen says where the show stands
// (m:ss.s and the scene's name) for 2 s; without these keys it never shows.
//
// While paused the music stands, and each frame of the main loop draws the
// frame on screen again, from the state before it, so the picture holds and
// the clock reads the same. A full-screen toggle keeps the pause.
#pragma once

#include <cstdint>

#include "platform/keys.h"

// How far Left and Right jump, in ms of music time.
constexpr int32_t kJumpStepMs = 5000;
// The keys: kVkP, kVkLeft, kVkRight, kVkPageUp, kVkPageDown, kVkHome.
// Page Up within this much of a scene's start goes to the scene before; later
// in the scene, to its own start (as chapters go in a player).
constexpr int32_t kSceneRestartMs = 2000;
// How long the line shows, in ms of wall time.
constexpr int64_t kLineShowsMs = 2000;
// More music time than this between two frames is a gap no drawn frame
// takes (a window minimised, a machine stalled): the frames it would have
// held run on the frame clock without being drawn, so that the turns, cues
// and animations they carry are not lost.
constexpr int32_t kGapMs = 250;

// What the viewer's keys keep. Owned here, one for the whole run.
struct PlayerState {
  int32_t paused = 0;
  // The clock of the frame that holds while paused, in ms, and the stream's
  // byte position it was read from.
  int32_t pausedMs = 0;
  uint64_t pausedBytes = 0;
  // The line: shown until this monotonic time (ms; 0: not since start), for
  // this moment of the music.
  int64_t lineUntilMs = 0;
  int32_t lineMs = 0;
  // The window builds (WindowState) the state before the frame on screen was
  // taken under; a toggle while paused takes it anew.
  uint32_t heldForBuild = 0;
};
extern PlayerState player;

// Back to program start: playing, no line.
void resetPlayer();

// Acts on the viewer's keys pressed since the last look; called by the main
// loop in each idle pass of an active window, before it draws. Returns 1 when
// a jump has drawn the pass's frame already, 0 when the pass draws it.
int playerTakeKeys();

// Draws the pass's frame: the next one, with the state before it kept, or,
// while paused, the one on screen again. Returns renderFrame's result (0: the
// show is over).
int playerDrawFrame();

// Draws the line over the frame while it shows; before the frame is
// presented. Leaves the GL state the frame left.
void playerDrawLine();

// Pauses (1) or plays on (0); the page's controls call it too.
void playerSetPaused(int paused);

// Jumps to `ms` of music time (clamped to the show), drawing the frame there.
// Returns 1, or 0 when jumps cannot be made.
int playerJumpTo(int32_t ms);

// The moment the show stands at now, in ms of music time.
int32_t playerNowMs();
