// What both audio back-ends share: the calling thread's error code, stream
// handles, a stream's format and its byte and second arithmetic, the argument
// checks of the calls, the spectrum window, and the release at process exit.
// Each back-end owns its own stream table; this module owns no stream.
#pragma once

#include <cstdint>

#include "platform/audio.h"

// Streams a back-end holds at once (the show opens two: the one heard and
// the one its jumps run ahead on). Their memory is given back by
// audioFreeStream and audioRelease.
constexpr uint32_t kAudioMaxStreams = 8;

// Sets the calling thread's last error code (the one audioLastError reads).
// Returns 1 for kAudioOk and 0 for anything else, so that a call can end with
// `return audioSetError(code);`.
int audioSetError(int code);

// A new handle for the given table slot: nonzero, and different from every
// handle given out before for that slot, so that a stale handle is refused.
AudioStream audioMakeHandle(uint32_t slot);

// The table slot a handle names, or -1 when it can name none. The back-end
// still checks that the slot holds that very handle.
int audioHandleSlot(AudioStream handle);

// A stream's decoded PCM: signed 16-bit samples at the file's own rate and
// channel count, `frames` frames long.
struct AudioFormat {
  uint32_t rateHz = 0;
  uint32_t channels = 0;
  uint64_t frames = 0;
};

// Bytes of one frame (2 per channel), of `frames` frames, and the seconds a
// byte count lasts.
uint32_t audioFrameBytes(const AudioFormat& format);
uint64_t audioBytesOfFrames(const AudioFormat& format, uint64_t frames);
double audioSecondsOfBytes(const AudioFormat& format, uint64_t bytes);

// The error code for audioStartDevice's and audioOpenFile's arguments
// (kAudioOk when they are ones this layer serves).
int audioCheckDeviceArgs(int device, uint32_t rateHz);
int audioCheckOpenArgs(int fromMemory, const char* file, uint64_t offset, uint64_t length);

// The replies that both back-ends give alike, from the stream found for the
// handle (null when there is none); each sets the calling thread's error code.
// A position read answers the heard frame in bytes; a conversion answers
// seconds.
uint64_t audioReplyPosition(const AudioFormat* format, uint32_t mode, uint64_t heardFrame);
double audioReplySeconds(const AudioFormat* format, uint64_t bytes);

// The error code of a position move (kAudioOk when it may be made), with the
// sample frame it goes to in *frame.
int audioCheckSetPosition(const AudioFormat* format, uint64_t position, uint32_t mode,
                          uint64_t* frame);

// The reply of audioGetInfo for the stream found (null when there is none);
// sets the calling thread's error code.
int audioReplyInfo(const AudioFormat* format, AudioStreamInfo* info);

// The error code of a spectrum read before any sample is looked at (kAudioOk
// when the window may be taken); sets nothing.
int audioCheckDataRead(const AudioFormat* format, const void* buffer, uint32_t request,
                       bool playing);

// Ends a spectrum read whose window has been taken: runs the transform into
// `buffer` (outside the caller's lock), sets kAudioOk, and returns the bytes
// of sample data the window covered.
int32_t audioReplyData(const AudioFormat& format, const float* window, void* buffer);

// Decoded samples in a ring: frame f of the stream sits at frame
// f % ringFrames of `samples`, and only frames in [validFrom, validTo) hold
// that frame's data. A whole stream in memory is a ring as long as itself.
struct AudioPcmRing {
  const int16_t* samples = nullptr;
  uint64_t ringFrames = 0;
  uint32_t channels = 0;
  uint64_t validFrom = 0;
  uint64_t validTo = 0;
};

// Copies the kFftSize frames that end just before `endFrame` into `mono` as
// the mean of the channels at full scale +-1.0; frames before the start or
// outside the valid range count as silence. The caller holds whatever lock
// guards the ring and runs the transform (fftMagnitudes) after letting go.
void audioTakeWindow(const AudioPcmRing& ring, uint64_t endFrame, float* mono);

// Makes audioRelease run at process exit (once per process, however often it
// is called). The show ends from inside a frame through exit(); the device and
// the decoder thread must be stopped before the process tears down the data
// they use.
void audioReleaseAtExit();
