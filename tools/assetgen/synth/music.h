// The show's music, "Tarrowind": synthesised from the score and written as
// an MP3 file.
#pragma once

#include <cstdint>
#include <vector>

// The file the show plays, in its folder.
constexpr const char* kMusicFileName = "tarrowind.mp3";
// 192 kbps constant bit rate, stereo, 44.1 kHz.
constexpr int kMusicKbps = 192;

// Renders the whole piece as interleaved 16-bit stereo at 44.1 kHz.
void renderMusic(std::vector<int16_t>& interleaved);

// Renders the piece and writes it to `path`. Returns 1, or 0 with a message
// on standard error, when the file cannot be written.
int writeMusic(const char* path);
