// The page around the show in a browser: its files, its start overlay, its
// animation frames, its message and end screens, and its test mode. The web
// entry point drives the show through these; page_web.cpp implements them
// over the page's own script (web/page.js). Everything runs on the page's one
// thread; each call returns at once and its callback comes later.
#pragma once

#include <cstdint>

// Fetches the named files (relative to the page) into the working directory,
// then calls `done`. A file that cannot be fetched is left absent, as a
// missing file on disk is.
void pageFetchFiles(const char* const* names, int count, void (*done)());

// Shows the start overlay with the question's text and caption and Yes and No
// buttons, then calls `shown` once the question is on the screen (work that
// takes a while, such as decoding the music, is done there while the viewer
// reads). The click calls `answered` with kDialogAnswerYes or
// kDialogAnswerNo while the click is being handled, so the show may still
// take the full screen and start its sound there.
void pageAskStart(const char* text, const char* caption, void (*shown)(),
                  void (*answered)(int answer));

// What the end screen's "Play again" calls: the show starts over in place,
// without fetching anything again.
void pageSetPlayAgain(void (*again)());

// Calls `frame` once per animation frame of the page, from the next one on
// (and once no message is left open on the page), until it returns 0.
void pageRunFrames(int (*frame)());

// Shows the end screen with its "Play again" button.
void pageShowEnd();

// Test mode, asked for by the page's address (?frame=N,M,...&fps=F): writes
// up to `most` frame numbers (ascending) and the frames per second; returns
// how many frames were asked for, 0 when the page is not in test mode.
int pageTestFrames(int64_t* frames, int most, int* framesPerSecond);

// Hands the picture now on the canvas to the page as frame `frame` of a test.
void pagePublishFrame(int64_t frame);

// The moment the page's address asks the show to start at (#t=SECONDS, the
// Media Fragments form, or #t=M:SS.S), in ms of music time, below `endMs`;
// 0 without one.
int32_t pageStartMs(int32_t endMs);

// How much later than the sound the picture is to be drawn, from the page's
// address (?offset=MS, -`most` to `most`), in ms; 0 without one.
int32_t pageAudioOffsetMs(int32_t most);

// What the page's controls do (the play and pause button, the seek bar, the
// tab going into the background and back): called while the page handles
// the viewer's action, between animation frames.
struct PageControls {
  void (*pause)(int paused);  // 1: pause, 0: play on
  void (*jumpTo)(int32_t ms); // ms of music time
};
// From now on the controls call these.
void pageSetControls(PageControls controls);

// The scenes the seek bar marks, in time order: their names and their first
// ms, and the show's end; once, before the show runs.
void pageSetScenes(const char* const* names, const int32_t* startsMs, int count, int32_t endMs);

// Tells the page where the show stands (its time, its seek bar, the link it
// copies): after each animation frame.
void pageShowPosition(int32_t ms, int paused);

// Frames presented with wsSwapBuffers since the page loaded. The page runs
// passes of the main loop until this moves, so that each animation frame
// takes every waiting message and then draws exactly one frame.
uint64_t pageFramesPresented();

// Decodes the music file now, while the page waits for the viewer, so that
// opening it later (from audioOpenFile, after the start click) takes no time.
void pagePrepareMusic(const char* file);

// From now on the audio layer plays no sound and needs no Web Audio: every
// stream stands wherever audioSetPosition puts it, as the offline back-end's
// do. For the test mode, which draws chosen frames at exact music times.
// Called before the show starts.
void pageUseManualClock();
