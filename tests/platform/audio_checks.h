// Checks that both audio back-ends' tests make alike.
#pragma once

#include <cstdint>
#include <string>

#include "platform/audio.h"
#include "tests/platform/test_music.h"

// Expects every stream call on `bad` to fail with kAudioErrorHandle.
void expectHandleRefused(AudioStream bad);

// Expects freeing to give a stream's slot back: with the table full of
// streams of `path` (one of them playing), freeing the playing one and then
// another lets two more open; the freed handles are refused, a second free
// of one fails, and the streams left stand and play as before.
void expectFreedSlotsComeBack(const std::string& path);

// The two tones of a two-tone file: a full-scale sine on this FFT bin for the
// first half of the file, and on the second bin for the rest.
constexpr int kFirstToneBin = 16;
constexpr int kSecondToneBin = 40;

// Writes a two-tone file of `frames` frames and returns its name.
std::string writeTwoTones(const std::string& name, const MusicFormat& format, size_t frames);

// The FFT bin where a spectrum read of `stream` peaks now; -1 when the read
// fails.
int spectrumPeak(AudioStream stream);

// Expects `stream`, a two-tone file of `frames` frames opened and never
// played, to stand wherever audioSetPosition puts it: stepped forward a
// frame's worth of music at a time (as a fast-forward does), moved back and
// forward again, each move is read back exactly by audioPosition and the
// spectrum is that of the tone there. Also its format from audioGetInfo, and
// the moves refused (another mode, past the end) or that play it out (to its
// end).
void expectStandsWhereMoved(AudioStream stream, const MusicFormat& format, uint64_t frames);
