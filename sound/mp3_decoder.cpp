#include "sound/mp3_decoder.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/audio.h"

namespace {
constexpr uint32_t kMaxChannels = 2;

// Frames decoded before the one a seek goes to: a frame's data may begin up
// to 511 bytes back in the frames before it (255 in MPEG-2), which at the
// lowest bit rates spans more than 20 frames. Decoding from fewer gives noise
// for the first frames after the seek. A seek is rare; these cost little.
constexpr long kSeekPrimingFrames = 32;

// Frames decoded per call while a whole file is read into memory.
constexpr size_t kDecodeChunkFrames = 16384;

// Byte positions of a stream reach the show as 64-bit counts but pass through
// single precision and 32-bit milliseconds on the way: an hour of music is
// already far beyond anything the show plays, so longer files are refused as
// not being sane music files rather than risk an overflowing clock.
constexpr uint64_t kMaxSeconds = 3600;

std::once_flag libraryReady;

void initLibrary() {
  // A no-op in current libmpg123 releases, required by older ones; only once
  // per process.
  std::call_once(libraryReady, [] { mpg123_init(); });
}

// Every sample rate the library decodes, always as signed 16-bit samples in
// the file's own channel count: the audio layer's byte positions count
// exactly those samples.
void acceptSigned16Only(mpg123_handle* handle) {
  mpg123_format_none(handle);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

int openReadableFile(const char* path) {
  int fd;
  do {
    fd = open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

// Reads the stream's format and its exact length. mpg123 takes almost any
// bytes for a damaged stream and searches them for frames; what makes a file
// music here is a first frame whose format it decodes, a whole-file scan that
// succeeds, and a length that is positive and bounded.
int measure(Mp3Decoder* decoder) {
  mpg123_handle* handle = decoder->handle;
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK)
    return kAudioErrorFileFormat;
  if (rate <= 0 || channels < 1 || channels > static_cast<int>(kMaxChannels) ||
      encoding != MPG123_ENC_SIGNED_16)
    return kAudioErrorFileFormat;
  if (mpg123_scan(handle) != MPG123_OK) return kAudioErrorFileFormat;
  const off_t length = mpg123_length(handle);
  if (length <= 0 || static_cast<uint64_t>(length) > kMaxSeconds * static_cast<uint64_t>(rate))
    return kAudioErrorFileFormat;
  decoder->rateHz = static_cast<uint32_t>(rate);
  decoder->channels = static_cast<uint32_t>(channels);
  decoder->frames = static_cast<uint64_t>(length);
  return kAudioOk;
}
}  // namespace

int mp3Open(Mp3Decoder* decoder, const char* path) {
  *decoder = Mp3Decoder{};
  initLibrary();
  const int fd = openReadableFile(path);
  if (fd < 0) return kAudioErrorFileOpen;
  int status = MPG123_OK;
  mpg123_handle* handle = mpg123_new(nullptr, &status);
  if (!handle) {
    close(fd);
    return kAudioErrorMemory;
  }
  decoder->handle = handle;
  decoder->fd = fd;
  // Gapless: byte 0 is the music's first sample, not the encoder's delay.
  // Quiet: a file that is not music is reported through the error code, not
  // on standard error.
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_param(handle, MPG123_PREFRAMES, kSeekPrimingFrames, 0.0);
  acceptSigned16Only(handle);
  int result = kAudioErrorFileFormat;
  if (mpg123_open_fd(handle, fd) == MPG123_OK) result = measure(decoder);
  if (result != kAudioOk) mp3Close(decoder);
  return result;
}

size_t mp3Decode(Mp3Decoder* decoder, int16_t* out, size_t maxFrames) {
  if (!decoder->handle) return 0;
  const uint64_t left = decoder->frames - decoder->decodedFrames;
  if (maxFrames > left) maxFrames = static_cast<size_t>(left);
  const size_t frameBytes = sizeof(int16_t) * decoder->channels;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
  size_t filled = 0;
  const size_t wanted = maxFrames * frameBytes;
  while (filled < wanted) {
    size_t done = 0;
    const int result = mpg123_read(decoder->handle, bytes + filled, wanted - filled, &done);
    filled += done;
    if (result == MPG123_OK) continue;
    if (result == MPG123_NEW_FORMAT) {
      // The format is fixed at open; a stream that changes it midway ends
      // where the change comes, rather than play at the wrong rate.
      long rate = 0;
      int channels = 0;
      int encoding = 0;
      mpg123_getformat(decoder->handle, &rate, &channels, &encoding);
      if (static_cast<uint32_t>(rate) == decoder->rateHz &&
          static_cast<uint32_t>(channels) == decoder->channels)
        continue;
      decoder->frames = decoder->decodedFrames + filled / frameBytes;
    }
    break;
  }
  const size_t frames = filled / frameBytes;
  decoder->decodedFrames += frames;
  return frames;
}

int16_t* mp3DecodeAll(Mp3Decoder* decoder, uint64_t* frames, int* error) {
  *frames = 0;
  const uint64_t samples = decoder->frames * decoder->channels;
  int16_t* buffer = static_cast<int16_t*>(std::malloc(samples * sizeof(int16_t)));
  if (!buffer) {
    *error = kAudioErrorMemory;
    return nullptr;
  }
  uint64_t done = 0;
  while (done < decoder->frames) {
    const size_t got = mp3Decode(decoder, buffer + done * decoder->channels, kDecodeChunkFrames);
    if (got == 0) break;
    done += got;
  }
  if (done == 0) {
    std::free(buffer);
    *error = kAudioErrorFileFormat;
    return nullptr;
  }
  *frames = done;
  return buffer;
}

int mp3Seek(Mp3Decoder* decoder, uint64_t frame) {
  if (!decoder->handle || frame > decoder->frames) return 0;
  // With the whole file scanned at open and gapless decoding on, the library
  // seeks to the exact sample, decoding from kSeekPrimingFrames before it, so
  // that what follows is what decoding from the start gives there.
  const off_t at = mpg123_seek(decoder->handle, static_cast<off_t>(frame), SEEK_SET);
  if (at < 0 || static_cast<uint64_t>(at) != frame) return 0;
  decoder->decodedFrames = frame;
  return 1;
}

void mp3Close(Mp3Decoder* decoder) {
  if (decoder->handle) {
    mpg123_close(decoder->handle);
    mpg123_delete(decoder->handle);
  }
  if (decoder->fd >= 0) close(decoder->fd);
  *decoder = Mp3Decoder{};
}
