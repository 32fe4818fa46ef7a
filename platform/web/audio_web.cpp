// The audio layer in a browser. Each stream is decoded whole when it is
// opened, with the same decoder as on the desktop (libmpg123, gapless), and
// handed to Web Audio as one buffer. The heard position is read from the
// audio context's output clock: the context time being heard now, less the
// time the stream started at, from the frame it started at. The spectrum is
// taken from the decoded samples at that position, as the other back-ends
// take it.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "platform/web/audio_web.h"
#include "sound/audio_stream.h"
#include "sound/fft.h"
#include "sound/mp3_decoder.h"

namespace {
struct WebStream {
  AudioStream handle = 0;  // 0 while the slot is free
  AudioFormat format;
  int16_t* samples = nullptr;  // the whole stream, interleaved
  bool ownsSamples = false;    // else they are another open stream's of the same file
  char file[256] = {};         // the file it was opened from
  bool started = false;
  bool stood = false;       // moved to a position while not playing
  uint64_t startFrame = 0;  // the frame its playing started from
  uint64_t heardFrame = 0;  // the last position reported; it never goes back
};

// A file decoded ahead of its open, with its Web Audio buffer kept under
// kPreparedSlot until the open gives it its stream's slot.
constexpr int kPreparedSlot = -1;
constexpr size_t kMaxPath = 256;
struct Prepared {
  char file[kMaxPath] = {};
  AudioFormat format;
  int16_t* samples = nullptr;  // owned here until an open takes it
  int error = kAudioOk;
  bool loaded = false;  // a Web Audio buffer was made for it
};
Prepared prepared;

bool deviceStarted = false;
bool manualClock = false;
WebStream streams[kAudioMaxStreams];

WebStream* find(AudioStream handle) {
  const int slot = audioHandleSlot(handle);
  if (slot < 0 || streams[slot].handle != handle) return nullptr;
  return &streams[slot];
}
}  // namespace

// The page makes the audio context during the start click (browsers let
// sound start only from a user's action); 0 when it has none.
EM_JS(int, jsAudioReady, (), { return Module.page.audioReady() ? 1 : 0; });
// Hands interleaved 16-bit samples to a Web Audio buffer for slot `slot`.
EM_JS(int, jsAudioLoad, (int slot, const int16_t* samples, double frames, int channels, int rate), {
  return Module.page.audioLoad(slot, HEAP16.subarray(samples >> 1, (samples >> 1) + frames * channels),
                               channels, rate) ? 1 : 0;
});
EM_JS(void, jsAudioMove, (int from, int to), { Module.page.audioMove(from, to); });
EM_JS(void, jsAudioShare, (int from, int to), { Module.page.audioShare(from, to); });
// Plays slot `slot` from `offset` seconds into it.
EM_JS(int, jsAudioPlay, (int slot, double offset), {
  return Module.page.audioPlay(slot, offset) ? 1 : 0;
});
// Seconds of the stream heard now since its playing started; negative before.
EM_JS(double, jsAudioHeardSeconds, (int slot), { return Module.page.audioHeardSeconds(slot); });
EM_JS(void, jsAudioStopAll, (), { Module.page.audioStopAll(); });
EM_JS(void, jsAudioStop, (int slot), { Module.page.audioStop(slot); });
// 1 while the audio context runs and its clock moves.
EM_JS(int, jsAudioHeard, (), { return Module.page.audioHeard() ? 1 : 0; });

namespace {
// Reads the context's clock into the stream's heard frame, never backwards
// and never past the end.
void readClock(WebStream& stream) {
  if (manualClock || !stream.started) return;
  const double seconds = jsAudioHeardSeconds(audioHandleSlot(stream.handle));
  if (!(seconds > 0.0)) return;
  uint64_t frame = stream.startFrame + static_cast<uint64_t>(seconds * stream.format.rateHz);
  if (frame > stream.format.frames) frame = stream.format.frames;
  if (frame > stream.heardFrame) stream.heardFrame = frame;
}

bool playing(const WebStream& stream) {
  return (stream.started || stream.stood) && stream.heardFrame < stream.format.frames;
}

// Starts the stream's sound at `frame` (none with the manual clock); the
// clock stands there until the context has played some of it.
int playFrom(WebStream& stream, uint64_t frame) {
  const double offset = static_cast<double>(frame) / stream.format.rateHz;
  if (!manualClock && !jsAudioPlay(audioHandleSlot(stream.handle), offset))
    return audioSetError(kAudioErrorUnknown);
  stream.startFrame = stream.heardFrame = frame;
  stream.started = true;
  stream.stood = false;
  return audioSetError(kAudioOk);
}
}  // namespace

void audioWebUseManualClock() { manualClock = true; }

void audioWebPrepare(const char* file) {
  std::free(prepared.samples);
  prepared = Prepared{};
  if (!file || std::strlen(file) >= kMaxPath) {
    prepared.error = kAudioErrorFileOpen;
    return;
  }
  std::strcpy(prepared.file, file);
  Mp3Decoder decoder;
  prepared.error = mp3Open(&decoder, file);
  if (prepared.error != kAudioOk) return;
  prepared.format.rateHz = decoder.rateHz;
  prepared.format.channels = decoder.channels;
  prepared.samples = mp3DecodeAll(&decoder, &prepared.format.frames, &prepared.error);
  mp3Close(&decoder);
  if (!prepared.samples || manualClock) return;
  prepared.loaded = jsAudioLoad(kPreparedSlot, prepared.samples,
                                static_cast<double>(prepared.format.frames),
                                static_cast<int>(prepared.format.channels),
                                static_cast<int>(prepared.format.rateHz)) != 0;
}

int audioStartDevice(int device, uint32_t rateHz, uint32_t, void*) {
  const int check = audioCheckDeviceArgs(device, rateHz);
  if (check != kAudioOk) return audioSetError(check);
  if (deviceStarted) return audioSetError(kAudioErrorAlreadyStarted);
  if (!manualClock && !jsAudioReady()) return audioSetError(kAudioErrorNoDevice);
  deviceStarted = true;
  return audioSetError(kAudioOk);
}

AudioStream audioOpenFile(int fromMemory, const char* file, uint64_t offset, uint64_t length,
                          uint32_t) {
  if (!deviceStarted) return audioSetError(kAudioErrorInit);
  const int check = audioCheckOpenArgs(fromMemory, file, offset, length);
  if (check != kAudioOk) return audioSetError(check);
  uint32_t slot = 0;
  while (slot < kAudioMaxStreams && streams[slot].handle) ++slot;
  if (slot == kAudioMaxStreams) return audioSetError(kAudioErrorMemory);

  if (std::strlen(file) >= sizeof streams[0].file) return audioSetError(kAudioErrorFileOpen);
  // A file already open is decoded already: the new stream reads the same
  // samples and plays the same buffer.
  for (uint32_t other = 0; other < kAudioMaxStreams; ++other) {
    const WebStream& open = streams[other];
    if (!open.handle || std::strcmp(open.file, file) != 0) continue;
    WebStream stream;
    stream.format = open.format;
    stream.samples = open.samples;
    std::strcpy(stream.file, file);
    if (!manualClock) jsAudioShare(static_cast<int>(other), static_cast<int>(slot));
    stream.handle = audioMakeHandle(slot);
    streams[slot] = stream;
    audioSetError(kAudioOk);
    return stream.handle;
  }
  if (std::strcmp(prepared.file, file) != 0) audioWebPrepare(file);
  if (prepared.error != kAudioOk) return audioSetError(prepared.error);
  WebStream stream;
  stream.ownsSamples = true;
  std::strcpy(stream.file, file);
  stream.format = prepared.format;
  stream.samples = prepared.samples;
  const bool loaded = prepared.loaded;
  prepared = Prepared{};
  if (!manualClock) {
    if (loaded) {
      jsAudioMove(kPreparedSlot, static_cast<int>(slot));
    } else {
      std::free(stream.samples);
      return audioSetError(kAudioErrorMemory);
    }
  }
  stream.handle = audioMakeHandle(slot);
  streams[slot] = stream;
  audioSetError(kAudioOk);
  return stream.handle;
}

int audioPlay(AudioStream handle, int restart) {
  WebStream* stream = find(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  readClock(*stream);
  if (stream->started && !restart && playing(*stream)) return audioSetError(kAudioOk);
  // A stream stood at a position plays from there; any other from the start.
  const bool fromStood = stream->stood && !restart && playing(*stream);
  return playFrom(*stream, fromStood ? stream->heardFrame : 0);
}

int audioPause(AudioStream handle) {
  WebStream* stream = find(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  readClock(*stream);
  if (!stream->started || !playing(*stream)) return audioSetError(kAudioOk);
  if (!manualClock) jsAudioStop(audioHandleSlot(stream->handle));
  stream->started = false;
  stream->stood = true;
  return audioSetError(kAudioOk);
}

int audioSetPosition(AudioStream handle, uint64_t position, uint32_t mode) {
  WebStream* stream = find(handle);
  uint64_t frame = 0;
  const int check =
      audioCheckSetPosition(stream ? &stream->format : nullptr, position, mode, &frame);
  if (check != kAudioOk) return audioSetError(check);
  readClock(*stream);
  if (stream->started && playing(*stream) && frame < stream->format.frames)
    return playFrom(*stream, frame);
  stream->started = false;
  stream->stood = true;
  stream->heardFrame = frame;
  return audioSetError(kAudioOk);
}

int audioDeviceHeard() {
  if (manualClock) return audioSetError(kAudioOk);
  if (!deviceStarted || !jsAudioHeard()) return audioSetError(kAudioErrorDeviceGone);
  return audioSetError(kAudioOk);
}

int audioGetInfo(AudioStream handle, AudioStreamInfo* info) {
  const WebStream* stream = find(handle);
  return audioReplyInfo(stream ? &stream->format : nullptr, info);
}

uint64_t audioPosition(AudioStream handle, uint32_t mode) {
  WebStream* stream = find(handle);
  if (stream) readClock(*stream);
  return audioReplyPosition(stream ? &stream->format : nullptr, mode,
                            stream ? stream->heardFrame : 0);
}

double audioBytesToSeconds(AudioStream handle, uint64_t bytes) {
  const WebStream* stream = find(handle);
  return audioReplySeconds(stream ? &stream->format : nullptr, bytes);
}

int32_t audioGetData(AudioStream handle, void* buffer, uint32_t request) {
  WebStream* stream = find(handle);
  if (stream) readClock(*stream);
  const int check = audioCheckDataRead(stream ? &stream->format : nullptr, buffer, request,
                                       stream && playing(*stream));
  if (check != kAudioOk) {
    audioSetError(check);
    return -1;
  }
  float window[kFftSize];
  const AudioFormat& format = stream->format;
  const AudioPcmRing whole{stream->samples, format.frames, format.channels, 0, format.frames};
  audioTakeWindow(whole, stream->heardFrame, window);
  return audioReplyData(format, window, buffer);
}

int audioFreeStream(AudioStream handle) {
  WebStream* stream = find(handle);
  if (!stream) return audioSetError(kAudioErrorHandle);
  if (!manualClock && stream->started) jsAudioStop(audioHandleSlot(stream->handle));
  if (stream->ownsSamples) {
    // A stream opened beside it on the same samples takes them over.
    WebStream* heir = nullptr;
    for (WebStream& other : streams) {
      if (&other != stream && other.handle && other.samples == stream->samples) heir = &other;
    }
    if (heir) {
      heir->ownsSamples = true;
    } else {
      std::free(stream->samples);
    }
  }
  *stream = WebStream{};
  return audioSetError(kAudioOk);
}

int audioRelease() {
  if (!manualClock) jsAudioStopAll();
  for (WebStream& stream : streams) {
    if (stream.ownsSamples) std::free(stream.samples);
    stream = WebStream{};
  }
  std::free(prepared.samples);
  prepared = Prepared{};
  deviceStarted = false;
  return audioSetError(kAudioOk);
}
