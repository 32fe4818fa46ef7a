// The audio layer: plays one MP3 stream on the output device and reports how
// far it has been heard, plus a spectrum of what is heard now.
//
// The show makes exactly these calls, with these arguments, and relies only on
// the results documented here. Every call sets the calling thread's last
// error code (kAudioOk on success), which audioLastError returns.
//
// Two back-ends implement this header: audio_sdl.cpp plays through SDL's audio
// device and measures the heard position against the device; audio_offline.cpp
// opens no device and takes its position from the caller (audio_offline.h), so
// that a capture or a test stands the music at an exact sample.
#pragma once

#include <cstdint>

// A stream handle; 0 is never a valid one.
using AudioStream = uint32_t;

// Error codes left for audioLastError. kAudioErrorNotPlaying is the one the
// show tests: a data read from a stream that has played out, or was never
// started, fails with it.
enum AudioErrorCode : int {
  kAudioOk = 0,
  kAudioErrorMemory = 1,
  kAudioErrorFileOpen = 2,
  kAudioErrorDeviceGone = 3,
  kAudioErrorHandle = 5,
  kAudioErrorFormat = 6,
  kAudioErrorPosition = 7,
  kAudioErrorInit = 8,
  kAudioErrorAlreadyStarted = 14,
  kAudioErrorIllegalParam = 20,
  kAudioErrorNoDevice = 23,
  kAudioErrorNotPlaying = 24,
  kAudioErrorNotAvailable = 37,
  kAudioErrorFileFormat = 41,
  kAudioErrorUnknown = -1,
};

// The default output device; the only one the show asks for.
constexpr int kAudioDefaultDevice = 1;

// Stream flag: measure the file's exact length while opening it, so that
// positions and the end are exact from the start. Our streams always do.
constexpr uint32_t kAudioStreamPrescan = 0x20000;

// Position mode: a byte count of the decoded 16-bit PCM at the file's own
// rate and channel count.
constexpr uint32_t kAudioPositionBytes = 0;

// Data request: 256 spectrum magnitudes of a 512-sample FFT (floats).
constexpr uint32_t kAudioDataFft512 = 0x80000001;

// Starts the output device at the given rate (Hz). `window` is the show's
// window, kept only for reference. Returns nonzero on success; fails with
// kAudioErrorNoDevice when no output device can be opened (or `device` is
// neither kAudioDefaultDevice nor -1), kAudioErrorIllegalParam for a rate
// outside 8000-192000 Hz, and kAudioErrorAlreadyStarted when the device is
// already running.
int audioStartDevice(int device, uint32_t rateHz, uint32_t flags, void* window);

// Opens an MP3 file as a paused stream. fromMemory must be 0, offset 0 and
// length 0 (the whole file). Mono or stereo, 32/44.1/48 kHz, CBR or VBR;
// decoded gaplessly, so byte 0 is the music's first sample. Returns the
// handle, or 0 with kAudioErrorInit (no device started), kAudioErrorFileOpen
// (missing or unreadable), kAudioErrorFileFormat (not an MP3),
// kAudioErrorIllegalParam (the arguments above not 0) or kAudioErrorMemory
// (every stream slot taken: streams are freed by audioFreeStream or
// audioRelease).
AudioStream audioOpenFile(int fromMemory, const char* file, uint64_t offset,
                          uint64_t length, uint32_t flags);

// Starts (or resumes) the stream; restart nonzero starts it from byte 0, and
// so does playing a stream that has played out. A stream stood at a position
// by audioSetPosition plays from there. Returns nonzero on success.
int audioPlay(AudioStream stream, int restart);

// Stops a playing stream where it is heard now: it falls silent and stands
// there (its heard position and spectrum as for a stream stood there by
// audioSetPosition) until audioPlay plays it on from where it stands. A
// stream that is not playing stays as it is. Returns nonzero, or 0 with
// kAudioErrorHandle.
int audioPause(AudioStream stream);

// Moves the stream to a byte position (mode kAudioPositionBytes), rounded
// down to a whole sample frame. A playing stream plays on from there. Any
// other stands there until audioPlay plays it on: meanwhile its heard
// position is that position and its spectrum the window that ends there, as
// for a playing stream. A stream moved to its very end has played out.
// Returns, nonzero, once the samples there are decoded; or 0 with
// kAudioErrorHandle, kAudioErrorNotAvailable for another mode, or
// kAudioErrorPosition for a position past the end (or one the file cannot be
// read at).
int audioSetPosition(AudioStream stream, uint64_t position, uint32_t mode);

// A stream's own format: its decoded PCM's sample rate, channel count and
// length in sample frames (a frame is 2 bytes per channel).
struct AudioStreamInfo {
  uint32_t rateHz = 0;
  uint32_t channels = 0;
  uint64_t frames = 0;
};

// Fills *info with the stream's format. Returns nonzero, or 0 with
// kAudioErrorHandle, or kAudioErrorIllegalParam for a null info.
int audioGetInfo(AudioStream stream, AudioStreamInfo* info);

// The byte position of the sample being heard now (mode kAudioPositionBytes):
// it never goes back (except when a restart or audioSetPosition moves it) and
// never passes the stream's length. Returns kAudioPositionFailed on error: kAudioErrorHandle, or
// kAudioErrorNotAvailable for another mode.
uint64_t audioPosition(AudioStream stream, uint32_t mode);
// What audioPosition returns when it fails.
constexpr uint64_t kAudioPositionFailed = UINT64_MAX;

// Converts a byte count of the stream into seconds. Negative on error.
double audioBytesToSeconds(AudioStream stream, uint64_t bytes);

// For kAudioDataFft512: writes 256 floats to `buffer`, the magnitudes of a
// Hann-windowed 512-sample real FFT of the mono mix of the 512 samples ending
// at the heard position, scaled so that a full-scale sine exactly on a bin
// reads 1.0 there. Returns the number of bytes of sample data used, or -1 with
// kAudioErrorNotPlaying once the stream is not playing (ended, or neither
// started nor stood at a position), kAudioErrorHandle for a bad handle, or kAudioErrorIllegalParam
// for another request or a null buffer.
int32_t audioGetData(AudioStream stream, void* buffer, uint32_t request);

// Whether the output device plays what it is given: 1 while it does; 0 once
// it has gone (the sound server lost, the device unplugged) and, in a
// browser, while the audio context has not started or its clock stands. A
// layer without a device (offline) always plays. Leaves kAudioOk, or
// kAudioErrorDeviceGone with 0. Called by the music clock every frame.
int audioDeviceHeard();

// The last error code of the calling thread's most recent call above.
int audioLastError();

// Frees one stream: it falls silent at once, its handle becomes invalid, and
// its slot and memory are given back (a stream of the same file opened
// beside it plays on). Returns nonzero, or 0 with kAudioErrorHandle.
int audioFreeStream(AudioStream stream);

// Stops the device, joins the layer's threads and frees every stream; their
// handles become invalid. Safe to call twice and when nothing was started;
// runs by itself at process exit once a device has started. Returns nonzero.
int audioRelease();
