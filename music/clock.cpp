#include "music/clock.h"

#include <cstdio>

#include "gfx/gfx.h"
#include "platform/keys.h"
#include "platform/sys.h"

MusicClock musicClock;
MusicSource musicSource;

void resetMusicClock() { musicClock = MusicClock{}; }

void resetMusicSource() { musicSource = MusicSource{}; }

namespace {
int32_t silentClockMs() {
  const int64_t now = sysMonotonicMs();
  if (!musicSource.silentStarted) {
    musicSource.silentStarted = true;
    musicSource.silentOriginMs = now;
  }
  return static_cast<int32_t>(musicSource.silentBaseMs + (now - musicSource.silentOriginMs));
}
}  // namespace

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
  if (musicSource.musicSilent) {
    musicClock.musicTimeMs = silentClockMs();
  } else {
    musicSource.readBytes = audioPosition(musicSource.musicStream, kAudioPositionBytes);
    musicClock.musicTimeMs = musicMsFromBytes(musicSource.musicStream, musicSource.readBytes);
  }
  musicClock.frameDeltaMs = musicClock.musicTimeMs - previousMs;

  if (!musicSource.musicSilent) audioGetData(musicSource.musicStream, musicClock.spectrum, kAudioDataFft512);
  if (keys[kVkSpace] && !musicSource.unheard) std::printf("%d\n", musicClock.musicTimeMs);
  // Nothing may touch the audio layer between the spectrum read and this
  // test: the code tested is the one that read left.
  if (!musicSource.musicSilent && audioLastError() == kAudioErrorNotPlaying) return 0;
  return 1;
}
