// Short MP3 files for the audio tests, written with LAME into the test's own
// scratch folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a test file is made of: rate (Hz), channel count, and VBR or CBR.
struct MusicFormat {
  int rateHz;
  int channels;
  bool vbr;
};

// The formats every format-dependent test runs on: mono and stereo, 32, 44.1
// and 48 kHz, CBR and VBR.
extern const MusicFormat kMusicFormats[5];

// Readable name of a format for test names ("Stereo48kCbr").
std::string musicFormatName(const MusicFormat& format);

// The frequency (Hz) of FFT bin `bin` of a 512-sample transform at `rateHz`.
double binHz(int rateHz, int bin);

// Interleaved PCM: a sine of `hz` at `amplitude` (1.0 = 16-bit full scale) in
// every channel, starting at phase 0 on frame `onsetFrame` and silent before.
std::vector<int16_t> sinePcm(const MusicFormat& format, size_t frames, double hz, double amplitude,
                             size_t onsetFrame = 0);

// Interleaved PCM: a linear chirp from 200 Hz to 6 kHz over the whole length,
// the same in every channel; never periodic, so its alignment is unambiguous.
std::vector<int16_t> chirpPcm(const MusicFormat& format, size_t frames);

// A file name in the working folder that belongs to the running test alone
// (CTest runs the cases of one executable side by side in one folder).
std::string scratchName(const std::string& name);

// Encodes `pcm` to scratchName(name) in the working folder (320 kbps, or VBR), levels
// unchanged, and returns that name; the test fails when encoding fails.
std::string writeMusic(const std::string& name, const MusicFormat& format,
                       const std::vector<int16_t>& pcm);

// `count` bytes of noise, the same for the same seed.
std::vector<uint8_t> randomBytes(size_t count, unsigned seed);

// Writes `bytes` to scratchName(name) as they are (for files that are not
// music) and returns that name.
std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes);
