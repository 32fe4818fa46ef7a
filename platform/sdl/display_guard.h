// A guard that puts the desktop's display mode back when the show dies with a
// changed mode in force, whatever kills it (a crash, SIGKILL).
//
// The guard is a small process forked before the show has any thread or any
// window-system connection, so it can safely open a connection of its own. It
// notes the desktop's configuration as it finds it and then waits for the
// show to end. The show tells it whenever a changed mode comes into force and
// when the desktop's own mode is back; if the show ends while a changed mode
// is in force, the guard restores the configuration it noted.
#pragma once

// Starts the guard; call once, while the process has one thread and before it
// connects to the window system. Returns 1, or 0 (and the show runs unguarded)
// when there is no X display or the fork fails.
int displayGuardStart();

// Tells the guard whether a changed display mode is in force now.
void displayGuardModeChanged(bool changed);
