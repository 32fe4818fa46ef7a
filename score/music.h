// The show's music, "Tarrowind": synthesised from the score and written as
// an MP3 file.
#pragma once

#include <cstdint>
#include <vector>

#include "timeline/moments.h"

// The file the show plays, in its folder.
constexpr const char* kMusicFileName = "tarrowind.mp3";
// 192 kbps constant bit rate, stereo, 44.1 kHz.
constexpr int kMusicKbps = 192;

// Renders the whole piece as interleaved 16-bit stereo at 44.1 kHz, its
// accents at the moments of `table`; the same samples on every run.
void renderMusic(std::vector<int16_t>& interleaved, const MomentTable& table = kCompiledMoments);

// Renders the piece and writes it to `path`. Returns 1, or 0 with a message
// on standard error, when the file cannot be written. Safe on any one thread
// at a time beside the show: it touches nothing but its own data.
int writeMusic(const char* path, const MomentTable& table = kCompiledMoments);
