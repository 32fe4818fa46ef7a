// The audio layer on SDL's audio device. A decoder thread of this layer's own
// decodes each stream into a bounded ring ahead of the device; the device
// callback converts from the ring to the device's format (SDL_AudioStream
// resamples and maps channels), mixes, and re-anchors each stream's clock. The
// render thread only reads: the heard position between callbacks follows a
// monotonic clock from the last anchor, and the spectrum is taken from the
// ring behind the device's read point. A move to another position is a seek
// of the decoder thread's, which the caller waits for.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "sound/audio_stream.h"
#include "sound/fft.h"
#include "sound/mp3_decoder.h"

namespace {
// Decoded audio held per stream: 2^17 frames, about 3 s at 44.1 kHz. The
// decoder stays up to this far ahead of the device, which rides out seconds
// of a starved decoder thread while holding only a few seconds of sound.
constexpr uint64_t kRingFrames = uint64_t{1} << 17;

// Frames kept behind the device's read point: what the device and the
// converter still hold before it is heard (a few thousand frames at most),
// plus the spectrum's window that ends at the heard position.
constexpr uint64_t kHistoryFrames = uint64_t{1} << 14;
static_assert(kHistoryFrames + kFftSize < kRingFrames, "the ring must hold more than history");

// The decoder's unit of work: large enough that its wake-ups are rare, small
// enough that a seek or a release waits for little.
constexpr uint64_t kDecodeChunkFrames = 4096;

// Source frames put into a converter at a time while it fills.
constexpr uint64_t kFeedChunkFrames = 1024;

// The device buffer: 1024 frames, 23 ms at 44.1 kHz, a latency no one sees
// in a show whose clock follows what is heard.
constexpr uint16_t kDeviceBufferFrames = 1024;
constexpr int kDeviceChannels = 2;
constexpr uint32_t kDeviceFrameBytes = kDeviceChannels * sizeof(int16_t);

// Device frames mixed at a time; a callback asking for more is served in
// pieces.
constexpr uint64_t kMixChunkFrames = 2048;

// How many device buffers are still unheard right after a callback has
// filled one. SDL does not tell a device's latency, so these are measured:
// SDL's dummy and disk drivers take one buffer per buffer's length and hold
// nothing else, so the buffer just filled is the one heard now. Through a
// sound server (SDL's pulseaudio driver, for PulseAudio and for PipeWire's
// pulse layer alike) the sound recorded from a null sink's monitor came 1.6
// buffers (PulseAudio 16) and 1.9 (PipeWire 0.3.65) after the fill: 1.75
// keeps both within 4 ms, as the test command measures on every run
// (tests/e2e/sound.sh). Other drivers over a real device keep about one
// more queued ahead of the one heard.
struct DriverLatency {
  const char* driver;
  double heldBuffers;
};
constexpr DriverLatency kDriverLatencies[] = {
    {"dummy", 1.0}, {"disk", 1.0}, {"pulseaudio", 1.75}, {"pipewire", 1.75}};
constexpr double kUsualHeldBuffers = 2.0;

constexpr double kNsPerSecond = 1e9;

// Paused: opened and never played. Standing: moved to a position while not
// playing; it reads there as if heard.
enum class Phase { kFree, kPaused, kStanding, kPlaying, kEnded };

// How far past the decoded frames a stream that is not playing may be moved
// by decoding on instead of seeking: a stretch decoded in a moment, while a
// seek decodes from a frame boundary anew.
constexpr uint64_t kDecodeOnLimitFrames = kRingFrames / 2;

// One stream: its file, its ring and its clock. The decoder field is used by
// the decoder thread alone once the stream is in the table; everything else
// is guarded by tableLock.
struct DeviceStream {
  AudioStream handle = 0;
  Phase phase = Phase::kFree;
  bool freeing = false;  // audioFreeStream waits for the decoder to let go of it
  AudioFormat format;
  Mp3Decoder decoder;
  SDL_AudioStream* converter = nullptr;  // source format to device format

  // The ring holds stream frames [max(fedFrames - kHistoryFrames, ringStart),
  // decodedFrames); frame f sits at f % kRingFrames.
  uint64_t ringStart = 0;      // where the decoder last started (the last seek)
  uint64_t decodedFrames = 0;  // the next frame the decoder puts in the ring
  uint64_t fedFrames = 0;      // the next frame handed to the converter
  bool decodeEnded = false;    // no more frames will come
  bool flushed = false;        // the converter has been told no more input comes
  bool seekPending = false;    // the decoder must move to seekFrame first
  uint64_t seekFrame = 0;
  uint32_t seekSerial = 0;     // counts the seeks asked for
  bool seekFailed = false;     // the last seek could not read the file there

  // The clock, in device frames of this stream's output and source frames.
  uint64_t startFrame = 0;   // the source frame its output frame 0 carries
  uint64_t outFrames = 0;    // device frames this stream has produced
  int64_t deviceOffset = 0;  // device frame that carried its output frame 0
  bool contiguous = false;   // the last callback was filled to its end
  bool anchored = false;     // an anchor exists since the start
  double anchorFrame = 0.0;  // source frame heard at anchorNs
  double anchorLimit = 0.0;  // source frames handed to the device so far
  int64_t anchorNs = 0;
  uint64_t heardFrame = 0;  // the last position reported; it never goes back
};

std::mutex tableLock;
std::condition_variable decoderWake;
// Told after every piece of the decoder's work; a move waits on it.
std::condition_variable decoderProgress;
SDL_AudioDeviceID device = 0;
SDL_Thread* decoderThread = nullptr;
bool decoderQuit = false;
uint32_t deviceRateHz = 0;
// Set when SDL tells of the device's loss (the sound server gone, the device
// unplugged): from then on SDL feeds the callback from a stand-in timer of
// its own, at about the device's rate, and nothing is heard.
std::atomic<bool> deviceLost{false};
// The device the loss watch looks for; read on SDL's threads.
std::atomic<SDL_AudioDeviceID> watchedDevice{0};
int64_t deviceHeldFrames = 0;
uint64_t deviceFramesWritten = 0;
DeviceStream streams[kAudioMaxStreams];
int16_t rings[kAudioMaxStreams][kRingFrames * kDeviceChannels];
int16_t mixChunk[kMixChunkFrames * kDeviceChannels];

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint64_t smallest(uint64_t a, uint64_t b) { return a < b ? a : b; }

DeviceStream* findLocked(AudioStream handle) {
  const int slot = audioHandleSlot(handle);
  if (slot < 0 || streams[slot].handle != handle) return nullptr;
  return &streams[slot];
}

int16_t* ringOf(const DeviceStream& stream) { return rings[&stream - streams]; }

// ---- the decoder thread ----

uint64_t ringSpaceLocked(const DeviceStream& stream) {
  return stream.fedFrames + kRingFrames - kHistoryFrames - stream.decodedFrames;
}

bool wantsDecodingLocked(const DeviceStream& stream) {
  if (stream.phase == Phase::kFree || stream.freeing) return false;
  if (stream.seekPending) return true;
  if (stream.decodeEnded) return false;
  const uint64_t left = stream.format.frames - stream.decodedFrames;
  return ringSpaceLocked(stream) >= smallest(kDecodeChunkFrames, left);
}

// The next stream with work, taken in turn so that none starves another.
int pickWorkLocked(uint32_t* turn) {
  for (uint32_t i = 0; i < kAudioMaxStreams; ++i) {
    const uint32_t slot = (*turn + i) % kAudioMaxStreams;
    if (wantsDecodingLocked(streams[slot])) {
      *turn = slot + 1;
      return static_cast<int>(slot);
    }
  }
  return -1;
}

// Moves the decoder to the spectrum's window before the frame asked for, so
// that the ring holds that window once it has decoded up to the frame; the
// converter is fed from the frame itself.
void seekLocked(DeviceStream& stream, std::unique_lock<std::mutex>& hold) {
  const uint32_t serial = stream.seekSerial;
  const uint64_t target = stream.seekFrame;
  const uint64_t from = target > kFftSize ? target - kFftSize : 0;
  hold.unlock();
  const int moved = mp3Seek(&stream.decoder, from);
  hold.lock();
  if (stream.seekSerial != serial) return;  // another move came meanwhile
  stream.ringStart = stream.decodedFrames = from;
  stream.fedFrames = target;
  stream.decodeEnded = !moved;
  stream.seekFailed = !moved;
  stream.flushed = false;
  stream.seekPending = false;
  SDL_AudioStreamClear(stream.converter);
}

void decodeChunkLocked(DeviceStream& stream, std::unique_lock<std::mutex>& hold) {
  const uint64_t at = stream.decodedFrames % kRingFrames;
  const uint64_t frames =
      smallest(smallest(ringSpaceLocked(stream), kRingFrames - at), kDecodeChunkFrames);
  int16_t* target = ringOf(stream) + at * stream.format.channels;
  // The frames written now lie outside the valid range, so nobody reads them
  // while the lock is down.
  hold.unlock();
  const size_t got = mp3Decode(&stream.decoder, target, frames);
  hold.lock();
  if (stream.seekPending) return;  // a move came meanwhile: these are void
  stream.decodedFrames += got;
  if (got == 0 || stream.decodedFrames >= stream.format.frames) {
    stream.decodeEnded = true;
    // A file that decodes short ends where its sound ends.
    stream.format.frames = stream.decodedFrames;
  }
}

// The slot whose decoder the decoder thread uses with the lock down, or -1.
int decoderBusySlot = -1;

int decoderMain(void*) {
  std::unique_lock<std::mutex> hold(tableLock);
  uint32_t turn = 0;
  while (!decoderQuit) {
    const int slot = pickWorkLocked(&turn);
    if (slot < 0) {
      decoderWake.wait(hold);
      continue;
    }
    DeviceStream& stream = streams[slot];
    // The stream's decoder is used with the lock down: a free waits for it.
    decoderBusySlot = slot;
    if (stream.seekPending) {
      seekLocked(stream, hold);
    } else {
      decodeChunkLocked(stream, hold);
    }
    decoderBusySlot = -1;
    decoderProgress.notify_all();
  }
  return 0;
}

// ---- the device callback ----

// Puts source frames into the converter until it can give `wantBytes`, or
// the ring runs dry; at the stream's end, lets the converter give out the
// rest it holds.
void feedConverterLocked(DeviceStream& stream, int wantBytes) {
  const uint32_t frameBytes = audioFrameBytes(stream.format);
  while (!stream.flushed && SDL_AudioStreamAvailable(stream.converter) < wantBytes) {
    // Right after a seek the decoder is still short of the frame to feed.
    const uint64_t ready =
        stream.decodedFrames > stream.fedFrames ? stream.decodedFrames - stream.fedFrames : 0;
    if (ready == 0) {
      if (stream.decodeEnded) {
        SDL_AudioStreamFlush(stream.converter);
        stream.flushed = true;
      }
      return;
    }
    const uint64_t at = stream.fedFrames % kRingFrames;
    const uint64_t frames = smallest(smallest(ready, kRingFrames - at), kFeedChunkFrames);
    const int16_t* source = ringOf(stream) + at * stream.format.channels;
    if (SDL_AudioStreamPut(stream.converter, source, static_cast<int>(frames * frameBytes)) != 0)
      return;
    stream.fedFrames += frames;
  }
}

void mixInto(int16_t* out, const int16_t* add, uint64_t samples) {
  for (uint64_t i = 0; i < samples; ++i) {
    int32_t sum = int32_t{out[i]} + int32_t{add[i]};
    if (sum > INT16_MAX) sum = INT16_MAX;
    if (sum < INT16_MIN) sum = INT16_MIN;
    out[i] = static_cast<int16_t>(sum);
  }
}

// Adds up to `frames` device frames of the stream to `out`, from its start;
// returns how many it had.
uint64_t mixStreamLocked(DeviceStream& stream, int16_t* out, uint64_t frames) {
  uint64_t produced = 0;
  while (produced < frames) {
    const uint64_t want = smallest(frames - produced, kMixChunkFrames);
    const int wantBytes = static_cast<int>(want * kDeviceFrameBytes);
    feedConverterLocked(stream, wantBytes);
    const int gotBytes = SDL_AudioStreamGet(stream.converter, mixChunk, wantBytes);
    if (gotBytes <= 0) break;
    const uint64_t got = static_cast<uint64_t>(gotBytes) / kDeviceFrameBytes;
    mixInto(out + produced * kDeviceChannels, mixChunk, got * kDeviceChannels);
    produced += got;
    if (got < want) break;
  }
  return produced;
}

// Re-anchors the stream's clock on the device frame heard now, and marks the
// stream played out once its last frame has been heard.
void anchorLocked(DeviceStream& stream, int64_t heardDeviceFrame, int64_t now) {
  if (stream.outFrames == 0) return;
  int64_t heardOut = heardDeviceFrame - stream.deviceOffset;
  const int64_t out = static_cast<int64_t>(stream.outFrames);
  if (heardOut < 0) heardOut = 0;
  if (heardOut > out) heardOut = out;
  const double sourcePerDevice =
      static_cast<double>(stream.format.rateHz) / static_cast<double>(deviceRateHz);
  const double length = static_cast<double>(stream.format.frames);
  const double start = static_cast<double>(stream.startFrame);
  const double handed = start + static_cast<double>(stream.outFrames) * sourcePerDevice;
  stream.anchorFrame = start + static_cast<double>(heardOut) * sourcePerDevice;
  stream.anchorLimit = handed < length ? handed : length;
  stream.anchorNs = now;
  stream.anchored = true;
  const bool drained = stream.flushed && stream.fedFrames == stream.decodedFrames &&
                       SDL_AudioStreamAvailable(stream.converter) == 0;
  if (drained && heardOut >= out) {
    stream.phase = Phase::kEnded;
    stream.heardFrame = stream.format.frames;
  }
}

void fillDevice(void*, Uint8* bytes, int length) {
  std::memset(bytes, 0, static_cast<size_t>(length));
  int16_t* out = reinterpret_cast<int16_t*>(bytes);
  const uint64_t frames = static_cast<uint64_t>(length) / kDeviceFrameBytes;
  const int64_t now = nowNs();
  {
    std::lock_guard<std::mutex> hold(tableLock);
    const uint64_t start = deviceFramesWritten;
    deviceFramesWritten += frames;
    const int64_t heardDeviceFrame = static_cast<int64_t>(deviceFramesWritten) - deviceHeldFrames;
    for (DeviceStream& stream : streams) {
      if (stream.phase != Phase::kPlaying || stream.seekPending) continue;
      const uint64_t got = mixStreamLocked(stream, out, frames);
      // Output that follows a gap (the start, or a starved decoder) begins
      // at this buffer's first frame.
      if (got > 0 && !stream.contiguous)
        stream.deviceOffset = static_cast<int64_t>(start) - static_cast<int64_t>(stream.outFrames);
      stream.outFrames += got;
      stream.contiguous = got == frames;
      anchorLocked(stream, heardDeviceFrame, now);
    }
  }
  decoderWake.notify_one();
}

// ---- the render thread's reads ----

// The source frame heard now: the anchor moved on by the time since, never
// past what the device has been given, never back, never past the end.
uint64_t heardNowLocked(DeviceStream& stream, int64_t now) {
  if (stream.phase != Phase::kPlaying || !stream.anchored || stream.seekPending)
    return stream.heardFrame;
  double frame = stream.anchorFrame + static_cast<double>(now - stream.anchorNs) *
                                          static_cast<double>(stream.format.rateHz) / kNsPerSecond;
  if (frame > stream.anchorLimit) frame = stream.anchorLimit;
  uint64_t whole = frame > 0.0 ? static_cast<uint64_t>(frame) : 0;
  if (whole < stream.heardFrame) whole = stream.heardFrame;
  if (whole > stream.format.frames) whole = stream.format.frames;
  stream.heardFrame = whole;
  return whole;
}

// Starts the stream's clock afresh at `frame`: it is heard there until the
// device has played some of what follows.
void restartClockLocked(DeviceStream& stream, uint64_t frame) {
  stream.startFrame = frame;
  stream.outFrames = 0;
  stream.contiguous = false;
  stream.anchored = false;
  stream.heardFrame = frame;
}

void beginSeekLocked(DeviceStream& stream, uint64_t frame) {
  stream.seekPending = true;
  stream.seekFrame = frame;
  ++stream.seekSerial;
  restartClockLocked(stream, frame);
}

// Whether a stream that is not playing can reach `frame` by decoding on:
// nothing of it has gone to the device, and the frame lies ahead of the
// ring's start, not far past what is decoded.
bool decodesOnToLocked(const DeviceStream& stream, uint64_t frame) {
  const bool idle = stream.phase == Phase::kPaused || stream.phase == Phase::kStanding;
  return idle && !stream.seekPending && frame >= stream.fedFrames &&
         frame <= stream.decodedFrames + kDecodeOnLimitFrames;
}

double heldBuffersOf(const char* driver) {
  if (driver) {
    for (const DriverLatency& latency : kDriverLatencies)
      if (std::strcmp(latency.driver, driver) == 0) return latency.heldBuffers;
  }
  return kUsualHeldBuffers;
}
}  // namespace

namespace {
// SDL calls this for every event it queues, from the thread that queues it.
int watchForLoss(void*, SDL_Event* event) {
  if (event->type == SDL_AUDIODEVICEREMOVED && !event->adevice.iscapture &&
      event->adevice.which == watchedDevice) {
    deviceLost = true;
  }
  return 0;
}
}  // namespace

int audioDeviceHeard() {
  std::lock_guard<std::mutex> hold(tableLock);
  if (!device || deviceLost) return audioSetError(kAudioErrorDeviceGone);
  return audioSetError(kAudioOk);
}

int audioStartDevice(int deviceNumber, uint32_t rateHz, uint32_t, void*) {
  const int check = audioCheckDeviceArgs(deviceNumber, rateHz);
  if (check != kAudioOk) return audioSetError(check);
  {
    std::lock_guard<std::mutex> hold(tableLock);
    if (device) return audioSetError(kAudioErrorAlreadyStarted);
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return audioSetError(kAudioErrorNoDevice);
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(rateHz);
  want.format = AUDIO_S16SYS;
  want.channels = kDeviceChannels;
  want.samples = kDeviceBufferFrames;
  want.callback = fillDevice;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware takes, so the
  // callback always fills 16-bit stereo at the asked rate.
  const SDL_AudioDeviceID opened = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!opened) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return audioSetError(kAudioErrorNoDevice);
  }
  {
    std::lock_guard<std::mutex> hold(tableLock);
    device = opened;
    deviceRateHz = rateHz;
    deviceHeldFrames = static_cast<int64_t>(heldBuffersOf(SDL_GetCurrentAudioDriver()) * have.samples);
    deviceFramesWritten = 0;
    decoderQuit = false;
  }
  deviceLost = false;
  watchedDevice = opened;
  SDL_AddEventWatch(watchForLoss, nullptr);
  decoderThread = SDL_CreateThread(decoderMain, "vantorel-decode", nullptr);
  if (!decoderThread) {
    audioRelease();
    return audioSetError(kAudioErrorMemory);
  }
  SDL_PauseAudioDevice(opened, 0);
  audioReleaseAtExit();
  return audioSetError(kAudioOk);
}

AudioStream audioOpenFile(int fromMemory, const char* file, uint64_t offset, uint64_t length,
                          uint32_t) {
  uint32_t outputRateHz = 0;
  {
    std::lock_guard<std::mutex> hold(tableLock);
    if (!device) return audioSetError(kAudioErrorInit);
    outputRateHz = deviceRateHz;
  }
  const int check = audioCheckOpenArgs(fromMemory, file, offset, length);
  if (check != kAudioOk) return audioSetError(check);

  Mp3Decoder decoder;
  const int error = mp3Open(&decoder, file);
  if (error != kAudioOk) return audioSetError(error);
  SDL_AudioStream* converter = SDL_NewAudioStream(
      AUDIO_S16SYS, static_cast<Uint8>(decoder.channels), static_cast<int>(decoder.rateHz),
      AUDIO_S16SYS, kDeviceChannels, static_cast<int>(outputRateHz));
  if (!converter) {
    mp3Close(&decoder);
    return audioSetError(kAudioErrorMemory);
  }

  AudioStream handle = 0;
  int failure = kAudioErrorMemory;
  {
    std::lock_guard<std::mutex> hold(tableLock);
    // Another thread may have released the layer while the file was read.
    if (!device) failure = kAudioErrorInit;
    for (uint32_t slot = 0; slot < kAudioMaxStreams && device; ++slot) {
      DeviceStream& stream = streams[slot];
      if (stream.phase != Phase::kFree) continue;
      stream = DeviceStream{};
      stream.handle = handle = audioMakeHandle(slot);
      stream.phase = Phase::kPaused;
      stream.format = AudioFormat{decoder.rateHz, decoder.channels, decoder.frames};
      stream.decoder = decoder;
      stream.converter = converter;
      break;
    }
  }
  if (!handle) {
    SDL_FreeAudioStream(converter);
    mp3Close(&decoder);
    return audioSetError(failure);
  }
  // Fill the ring now, so that playing starts with sound at once.
  decoderWake.notify_one();
  audioSetError(kAudioOk);
  return handle;
}

int audioPlay(AudioStream handle, int restart) {
  {
    std::lock_guard<std::mutex> hold(tableLock);
    DeviceStream* stream = findLocked(handle);
    if (!stream) return audioSetError(kAudioErrorHandle);
    // A stream that has played out starts over from its first frame; one
    // that never played is at its first frame already, and one stood at a
    // position plays from there.
    const bool atStart = stream->phase == Phase::kPaused;
    if (!atStart && (restart || stream->phase == Phase::kEnded)) beginSeekLocked(*stream, 0);
    stream->phase = Phase::kPlaying;
  }
  decoderWake.notify_one();
  return audioSetError(kAudioOk);
}

int audioSetPosition(AudioStream handle, uint64_t position, uint32_t mode) {
  std::unique_lock<std::mutex> hold(tableLock);
  DeviceStream* stream = findLocked(handle);
  uint64_t frame = 0;
  const int check =
      audioCheckSetPosition(stream ? &stream->format : nullptr, position, mode, &frame);
  if (check != kAudioOk) return audioSetError(check);
  if (frame == stream->format.frames) {
    restartClockLocked(*stream, frame);
    stream->phase = Phase::kEnded;
    return audioSetError(kAudioOk);
  }
  if (decodesOnToLocked(*stream, frame)) {
    // The ring keeps its history behind the new feed point; the decoder
    // fills the room this frees.
    stream->fedFrames = frame;
    restartClockLocked(*stream, frame);
  } else {
    beginSeekLocked(*stream, frame);
  }
  if (stream->phase != Phase::kPlaying) stream->phase = Phase::kStanding;
  const uint32_t serial = stream->seekSerial;
  decoderWake.notify_one();
  // Until the samples there are in the ring, or the decoder can go no
  // further; a release or a later move ends the wait as well.
  decoderProgress.wait(hold, [&] {
    return !device || stream->handle != handle || stream->seekSerial != serial ||
           (!stream->seekPending && (stream->decodedFrames >= frame || stream->decodeEnded));
  });
  if (!device || stream->handle != handle) return audioSetError(kAudioErrorHandle);
  if (stream->seekSerial == serial && (stream->seekFailed || stream->decodedFrames < frame))
    return audioSetError(kAudioErrorPosition);
  return audioSetError(kAudioOk);
}

int audioPause(AudioStream handle) {
  uint64_t heard = 0;
  uint32_t channels = 0;
  {
    std::lock_guard<std::mutex> hold(tableLock);
    DeviceStream* stream = findLocked(handle);
    if (!stream) return audioSetError(kAudioErrorHandle);
    if (stream->phase != Phase::kPlaying) return audioSetError(kAudioOk);
    // The mixer leaves a stream that is not playing out at once.
    heard = heardNowLocked(*stream, nowNs());
    stream->phase = Phase::kStanding;
    channels = stream->format.channels;
  }
  // What the device and the ring held beyond the heard frame is dropped: the
  // stream stands at that frame, to play on from it.
  return audioSetPosition(handle, heard * channels * sizeof(int16_t), kAudioPositionBytes);
}

int audioGetInfo(AudioStream handle, AudioStreamInfo* info) {
  std::lock_guard<std::mutex> hold(tableLock);
  const DeviceStream* stream = findLocked(handle);
  return audioReplyInfo(stream ? &stream->format : nullptr, info);
}

uint64_t audioPosition(AudioStream handle, uint32_t mode) {
  const int64_t now = nowNs();
  std::lock_guard<std::mutex> hold(tableLock);
  DeviceStream* stream = findLocked(handle);
  if (!stream) return audioReplyPosition(nullptr, mode, 0);
  return audioReplyPosition(&stream->format, mode, heardNowLocked(*stream, now));
}

double audioBytesToSeconds(AudioStream handle, uint64_t bytes) {
  std::lock_guard<std::mutex> hold(tableLock);
  const DeviceStream* stream = findLocked(handle);
  return audioReplySeconds(stream ? &stream->format : nullptr, bytes);
}

int32_t audioGetData(AudioStream handle, void* buffer, uint32_t request) {
  const int64_t now = nowNs();
  float window[kFftSize];
  AudioFormat format;
  {
    std::lock_guard<std::mutex> hold(tableLock);
    DeviceStream* stream = findLocked(handle);
    const bool readable =
        stream && (stream->phase == Phase::kPlaying || stream->phase == Phase::kStanding);
    const int check =
        audioCheckDataRead(stream ? &stream->format : nullptr, buffer, request, readable);
    if (check != kAudioOk) {
      audioSetError(check);
      return -1;
    }
    format = stream->format;
    const uint64_t heard = heardNowLocked(*stream, now);
    uint64_t kept = stream->fedFrames > kHistoryFrames ? stream->fedFrames - kHistoryFrames : 0;
    if (kept < stream->ringStart) kept = stream->ringStart;
    const AudioPcmRing ring{ringOf(*stream), kRingFrames, format.channels, kept,
                            stream->seekPending ? 0 : stream->decodedFrames};
    audioTakeWindow(ring, heard, window);
  }
  return audioReplyData(format, window, buffer);
}

int audioFreeStream(AudioStream handle) {
  std::unique_lock<std::mutex> hold(tableLock);
  DeviceStream* stream = findLocked(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  const int slot = static_cast<int>(stream - streams);
  // Silent from the next callback on; the decoder lets go of it first and
  // takes it up no more.
  stream->phase = Phase::kEnded;
  stream->freeing = true;
  decoderProgress.wait(hold, [slot] { return decoderBusySlot != slot; });
  if (streams[slot].handle != handle) return audioSetError(kAudioErrorHandle);
  mp3Close(&stream->decoder);
  SDL_FreeAudioStream(stream->converter);
  *stream = DeviceStream{};
  return audioSetError(kAudioOk);
}

int audioRelease() {
  SDL_AudioDeviceID opened = 0;
  {
    std::lock_guard<std::mutex> hold(tableLock);
    opened = device;
    device = 0;
    decoderQuit = true;
  }
  decoderWake.notify_all();
  decoderProgress.notify_all();
  if (opened) SDL_DelEventWatch(watchForLoss, nullptr);
  watchedDevice = 0;
  // The callback takes the table lock, so the device closes with it free.
  if (opened) SDL_CloseAudioDevice(opened);
  if (decoderThread) {
    SDL_WaitThread(decoderThread, nullptr);
    decoderThread = nullptr;
  }
  {
    std::lock_guard<std::mutex> hold(tableLock);
    for (DeviceStream& stream : streams) {
      if (stream.phase == Phase::kFree) continue;
      mp3Close(&stream.decoder);
      SDL_FreeAudioStream(stream.converter);
      stream = DeviceStream{};
    }
    decoderQuit = false;
  }
  if (opened) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return audioSetError(kAudioOk);
}
