// Encodes 16-bit PCM to an MP3 file with LAME, for the asset generator and
// for tests that need music files of their own.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes `frames` frames of interleaved samples (`channels` 1 or 2) at
// `rateHz` as a constant-bit-rate MP3 (or variable when `vbr` is true, with
// `kbps` as the mean) including the encoder's info tag, so that decoders can
// trim the encoder's delay and padding. Returns false with a message on
// standard error when encoding or writing fails.
bool writeMp3(const char* path, const int16_t* interleaved, size_t frames, int rateHz,
              int channels, int kbps, bool vbr = false);
