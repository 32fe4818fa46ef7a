// Start-up, the main loop, the full-screen toggle and shutdown: the spine of
// the process.
#pragma once

#include "platform/audio.h"
#include "platform/window_system.h"

// The name of the music file, opened from the working directory.
constexpr const char* kMusicFile = "tarrowind.mp3";

// Starts the audio device and opens the music, reporting each failure in a
// dialog owned by the window; after a failure the show runs silent on a
// real-time clock. Returns 1 when musicStream is open, else 0.
int openMusic();

// Plays musicStream from where it stands, or runs silent after saying why.
void playMusic();

// openMusic, then playMusic: the music from its start.
void startMusic();

// Destroys the window and creates it again in the other mode. Returns the
// result of the new createGLWindow (0: the program must end).
int toggleFullscreen();

// The process exit status when no window could be made (at start-up, or when
// F1 re-creates it), including when the user declined a window in place of
// full screen: the dialog has told the user, and a script that started the
// show must not read the run as a success.
constexpr int kStatusNoWindow = 1;

// The start-up question, asked in a dialog by startShow, and by the page's own
// overlay in a browser.
constexpr const char* kStartQuestion = "Would You Like to Run in FullScreen mode?";
constexpr const char* kStartCaption = "Start Fullscreen?";

// In ShowStart: ask the start-up question (no answer given in advance).
constexpr int kAskStartQuestion = -1;

// How the desktop program starts the show; the defaults are a plain start.
struct ShowStart {
  // A dialog answer given in advance (kDialogAnswerYes: full screen,
  // kDialogAnswerNo: a window), or kAskStartQuestion.
  int answer = kAskStartQuestion;
  // The moment of the music to start at, in ms of music time; 0 is the
  // beginning. Below the show's end time.
  int32_t atMs = 0;
  // How much later the picture is drawn than the sound is played, in ms
  // (musicSource.offsetMs).
  int32_t audioOffsetMs = 0;
};

// Everything before the main loop: the full-screen question (unless answered
// in advance), the window, the pause, the music and the swarm's second
// placing, and for a later start the frames before it. Returns 1, or 0 when
// no window could be made (the dialog has said why; end with kStatusNoWindow).
int startShow(const ShowStart& start = ShowStart{});

// startShow after the question, with its answer (a dialog answer: No asks for
// a window, anything else leaves full screen requested). The page asks the
// question itself and starts the show with the viewer's click. With `atMs`
// above 0 the frames before that moment run on the frame clock without being
// drawn (the window stays black meanwhile), as a capture that starts there
// runs them; then the music plays from `atMs` and its clock takes over.
int startShowAnswered(int answer, int32_t atMs = 0);

// What the main loop keeps between its passes: the done flag and the last
// message taken from the queue. Owned by whoever runs the loop.
struct MainLoop {
  int done = 0;
  WsMessage message{};
};

// What one pass of the main loop leaves to its caller.
enum class LoopPass {
  GoOn,      // run another pass
  Done,      // the loop has ended: shut down with stopShow
  NoWindow,  // F1 could not make the window again: end at once, kStatusNoWindow
};

// What a mode beside the plain show adds to each pass of the main loop that
// draws (the maker's mode); a null member adds nothing. Set before runShow;
// owned by the mode that sets it.
struct LoopHooks {
  // Before the pass draws: the mode's keys and work. Returns 1 when it has
  // drawn the pass's frame itself (a jump), 0 when the pass draws it.
  int (*beforeFrame)();
  // After the frame and the viewer's line are drawn, before they are shown.
  void (*drawOver)();
};
extern LoopHooks loopHooks;

// One pass of the main loop: takes at most one message without waiting and
// dispatches it, or, when the queue is empty, draws and presents a frame
// while the window is active and no quit key was pressed, then looks at F1.
// A key press counts until the pass has looked at it once; Escape and Q
// pressed while the window is minimised are dropped. Never waits.
LoopPass runMainLoopPass(MainLoop* loop);

// The orderly end after the loop is done: releases the audio and the window
// (the desktop gets its display mode back). Returns the exit status: the
// quit message's code, or 0 after Escape, Q and the show's own end.
int stopShow(const MainLoop& loop);

// The whole run: startShow, passes until the loop ends, stopShow. Returns the
// process exit status: 0 when the show ran and ended, kStatusNoWindow when no
// window could be made.
int runShow(const ShowStart& start = ShowStart{});
