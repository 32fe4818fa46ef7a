// Where the show's files (the pictures and the music) are found. The show
// reads them from its working directory, so a program started elsewhere
// first moves into the folder that holds them. An install puts them in a
// folder found relative to the executable's own (bin/ -> share/vantorel/ in
// a standard layout), never at a fixed path only, so that a staged or moved
// install finds them as well.
#pragma once

#include <cstddef>

// Whether `folder` holds any of the show's files: the music or a picture.
bool folderHoldsShow(const char* folder);

// The folder the running executable lies in, into `out` (room for `size`
// bytes). Returns 1, or 0 when it cannot be told.
int executableFolder(char* out, size_t size);

// The folder an install puts the show's files in, for a program that lies in
// `programFolder`, into `out`. Returns 1, or 0 when it does not fit; the folder
// itself may not exist.
int installedFolderOf(const char* programFolder, char* out, size_t size);

// The desktop program's folder, into `out`: "." (the working directory) when
// it holds any of the show's files, as the show has always read them;
// otherwise the installed folder when that holds them; otherwise ".", where
// the show's own messages then say what is missing. False when it does not
// fit.
int desktopShowFolder(const char* programFolder, char* out, size_t size);

// The capture tool's default folder, into `out`: its own when it holds the
// show's files (a build, where the tool lies beside them); otherwise the
// installed folder when that holds them; otherwise its own, where the
// capture then reports what is missing. False when it does not fit.
int captureShowFolder(const char* programFolder, char* out, size_t size);

// Moves the desktop program into desktopShowFolder for its own executable.
// Says nothing when there is nothing better than the working directory.
void moveToShowFiles();
