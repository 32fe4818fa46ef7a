// MP3 decoding for the audio layer, on libmpg123: opens a file, measures its
// exact length, and decodes it gaplessly to 16-bit PCM at the file's own rate
// and channel count.
#pragma once

#include <cstddef>
#include <cstdint>

struct mpg123_handle_struct;

// One open MP3 file. Filled by mp3Open, emptied by mp3Close; between the two
// only one thread at a time may call into it (the audio layer hands it to its
// decoder thread once the stream is open).
struct Mp3Decoder {
  mpg123_handle_struct* handle = nullptr;
  int fd = -1;
  uint32_t rateHz = 0;    // the file's own sample rate (Hz)
  uint32_t channels = 0;  // 1 or 2
  // Exact length in sample frames, the encoder's delay and padding trimmed.
  uint64_t frames = 0;
  // The frame the next decode starts at: frames handed out since the open
  // or the last seek, plus the frame that seek went to.
  uint64_t decodedFrames = 0;
};

// Opens `path` into an empty decoder and measures its length. Returns
// kAudioOk, or kAudioErrorFileOpen (missing, not a regular file, unreadable),
// kAudioErrorFileFormat (no MPEG audio stream, or none of sane length) or
// kAudioErrorMemory; on failure the decoder is left empty.
int mp3Open(Mp3Decoder* decoder, const char* path);

// Decodes up to `maxFrames` frames of interleaved samples into `out`. Returns
// the frames written: fewer than asked only at the end of the stream (or when
// the rest of the file cannot be decoded), 0 once it is over. Never yields
// more than `frames` in total.
size_t mp3Decode(Mp3Decoder* decoder, int16_t* out, size_t maxFrames);

// Decodes the whole open file into a new malloc'd buffer of interleaved
// samples (the caller frees it) and closes nothing. Sets *frames to the frames
// decoded (fewer than `frames` when the file ends early). Returns null with
// kAudioErrorMemory or kAudioErrorFileFormat (nothing decodable) in *error.
int16_t* mp3DecodeAll(Mp3Decoder* decoder, uint64_t* frames, int* error);

// Moves to sample frame `frame` (0 to `frames`): the next decode starts
// there, with the samples a decode from the start gives there. Returns 1, or
// 0 when the file cannot be read again or the frame lies beyond the end.
int mp3Seek(Mp3Decoder* decoder, uint64_t frame);

// Closes the file and empties the decoder; harmless on an empty one.
void mp3Close(Mp3Decoder* decoder);
