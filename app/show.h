// Start-up, the main loop, the full-screen toggle and shutdown: the spine of
// the process.
#pragma once

#include "platform/audio.h"

// The music stream, opened once at start-up; 0 when the audio layer or the
// file failed. Read by the music clock every frame.
extern AudioStream musicStream;

// The name of the music file, opened from the working directory.
constexpr const char* kMusicFile = "tarrowind.mp3";

// Starts the audio device and plays the music, reporting each failure in a
// dialog owned by the window; after a failure the show runs silent on a
// real-time clock.
void startMusic();

// Destroys the window and creates it again in the other mode. Returns the
// result of the new createGLWindow (0: the program must end).
int toggleFullscreen();

// The whole run: the full-screen question, the window, the music, the main
// loop and shutdown. Returns the process exit status: 0 when the show ran and
// ended, 1 when no window could be made (at start-up, or when F1 re-creates
// it), including when the user declined a window in place of full screen.
int runShow();
