#include "music/clock.h"

#include <cstdio>

#include "gfx/gfx.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/sys.h"

MusicClock musicClock;
MusicSource musicSource;

void resetMusicClock() { musicClock = MusicClock{}; }

void resetMusicSource() { musicSource = MusicSource{}; }

namespace {
// The silent clock's reading now, without starting it.
int32_t silentPeekMs() {
  if (!musicSource.silentStarted) return musicSource.silentBaseMs;
  return static_cast<int32_t>(musicSource.silentBaseMs +
                              (sysMonotonicMs() - musicSource.silentOriginMs));
}

// The clock from the stream's heard position, the offset taken off; at 0 at
// the least, as the music never runs before its start.
int32_t heardMs(uint64_t bytes) {
  const int32_t ms = musicMsFromBytes(musicSource.musicStream, bytes);
  if (musicSource.stood || bytes == kAudioPositionFailed) return ms;
  const int32_t shifted = ms - musicSource.offsetMs;
  return shifted > 0 ? shifted : 0;
}

// The sound has gone while the music played: the silent clock takes over
// from the moment last heard, and the viewer is told once.
void loseSound(int32_t lastHeardMs) {
  musicSource.musicSilent = 1;
  musicSource.soundLost = 1;
  musicSilentStandAt(lastHeardMs);
  dialogNotice("the sound has stopped (the sound device or its server went away, or never "
               "started); the show plays on without it");
}

// The output plays again after a loss: the music joins the clock where it
// stands.
void rejoinSound(int32_t ms) {
  if (!audioSetPosition(musicSource.musicStream, musicBytesForMs(ms), kAudioPositionBytes) ||
      !audioPlay(musicSource.musicStream, 0)) {
    return;
  }
  musicSource.musicSilent = 0;
  musicSource.soundLost = 0;
}

int32_t silentClockMs() {
  const int64_t now = sysMonotonicMs();
  if (!musicSource.silentStarted) {
    musicSource.silentStarted = true;
    musicSource.silentOriginMs = now;
  }
  return static_cast<int32_t>(musicSource.silentBaseMs + (now - musicSource.silentOriginMs));
}
}  // namespace

int32_t musicPeekMs() {
  if (musicSource.musicSilent) return silentPeekMs();
  return heardMs(audioPosition(musicSource.musicStream, kAudioPositionBytes));
}

uint64_t musicBytesForMs(int32_t ms) {
  AudioStreamInfo info;
  if (!audioGetInfo(musicSource.musicStream, &info) || info.rateHz == 0) return 0;
  const int64_t heard = static_cast<int64_t>(ms) + (musicSource.stood ? 0 : musicSource.offsetMs);
  const uint64_t sample = heard > 0 ? static_cast<uint64_t>(heard) * info.rateHz / 1000 : 0;
  const uint64_t frame = sample < info.frames ? sample : info.frames;
  return frame * 2 * info.channels;
}

void musicSilentStandAt(int32_t ms) {
  musicSource.silentBaseMs = ms;
  musicSource.silentStarted = false;
}

int32_t musicMsFromBytes(AudioStream stream, uint64_t bytePosition) {
  // A failed read has no position to convert: its error value is beyond what
  // the float-to-integer steps below can hold, so the clock stays where it
  // stood (a frame with delta 0) rather than jumping to a meaningless time.
  if (bytePosition == kAudioPositionFailed) return musicClock.musicTimeMs;
  // The position passes through single precision on its way to seconds, so
  // positions above 2^24 bytes land on the float grid first; the effect on the
  // milliseconds is far below one.
  const float narrowed = static_cast<float>(bytePosition);
  const uint64_t bytes = static_cast<uint64_t>(narrowed);
  const double seconds = audioBytesToSeconds(stream, bytes);
  if (seconds < 0.0) return musicClock.musicTimeMs;
  return static_cast<int32_t>(seconds * 1000.0);
}

int beginFrame() {
  gfxClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gfxColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  gfxEnable(GL_TEXTURE_2D);
  gfxLoadIdentity();

  const int32_t previousMs = musicClock.musicTimeMs;
  const bool heard = !musicSource.unheard && !musicSource.stood && musicSource.musicStream;
  if (heard && musicSource.soundLost && !musicSource.viewerHolds && audioDeviceHeard()) rejoinSound(silentPeekMs());
  if (heard && !musicSource.musicSilent && !audioDeviceHeard()) loseSound(previousMs);
  if (musicSource.musicSilent) {
    musicClock.musicTimeMs = silentClockMs();
  } else {
    musicSource.readBytes = audioPosition(musicSource.musicStream, kAudioPositionBytes);
    musicClock.musicTimeMs = heardMs(musicSource.readBytes);
  }
  musicClock.frameDeltaMs = musicClock.musicTimeMs - previousMs;

  if (!musicSource.musicSilent) audioGetData(musicSource.musicStream, musicClock.spectrum, kAudioDataFft512);
  if (keys[kVkSpace] && !musicSource.unheard) std::printf("%d\n", musicClock.musicTimeMs);
  // Nothing may touch the audio layer between the spectrum read and this
  // test: the code tested is the one that read left.
  if (!musicSource.musicSilent && audioLastError() == kAudioErrorNotPlaying) return 0;
  return 1;
}
