#include "music/clock.h"

#include <cstdio>

#include "gfx/gfx.h"
#include "platform/keys.h"
#include "platform/sys.h"

AudioStream musicStream = 0;
int32_t musicTimeMs = 0;
int32_t frameDeltaMs = 0;
float spectrum[kSpectrumSize] = {};
int32_t musicSilent = 0;

namespace {
// The silent clock reads silentBaseMs on the first frame after it was stood
// there, and runs on in real time from that frame's monotonic time.
bool silentStarted = false;
int64_t silentOriginMs = 0;
int32_t silentBaseMs = 0;

int32_t silentClockMs() {
  const int64_t now = sysMonotonicMs();
  if (!silentStarted) {
    silentStarted = true;
    silentOriginMs = now;
  }
  return static_cast<int32_t>(silentBaseMs + (now - silentOriginMs));
}
}  // namespace

void musicSilentStandAt(int32_t ms) {
  silentBaseMs = ms;
  silentStarted = false;
}

int32_t musicMsFromBytes(AudioStream stream, uint64_t bytePosition) {
  // A failed read has no position to convert: its error value is beyond what
  // the float-to-integer steps below can hold, so the clock stays where it
  // stood (a frame with delta 0) rather than jumping to a meaningless time.
  if (bytePosition == kAudioPositionFailed) return musicTimeMs;
  // The position passes through single precision on its way to seconds, so
  // positions above 2^24 bytes land on the float grid first; the effect on the
  // milliseconds is far below one.
  const float narrowed = static_cast<float>(bytePosition);
  const uint64_t bytes = static_cast<uint64_t>(narrowed);
  const double seconds = audioBytesToSeconds(stream, bytes);
  if (seconds < 0.0) return musicTimeMs;
  return static_cast<int32_t>(seconds * 1000.0);
}

int beginFrame() {
  gfxClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gfxColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  gfxEnable(GL_TEXTURE_2D);
  gfxLoadIdentity();

  const int32_t previousMs = musicTimeMs;
  if (musicSilent) {
    musicTimeMs = silentClockMs();
  } else {
    musicTimeMs = musicMsFromBytes(musicStream, audioPosition(musicStream, kAudioPositionBytes));
  }
  frameDeltaMs = musicTimeMs - previousMs;

  if (!musicSilent) audioGetData(musicStream, spectrum, kAudioDataFft512);
  if (keys[kVkSpace]) std::printf("%d\n", musicTimeMs);
  // Nothing may touch the audio layer between the spectrum read and this
  // test: the code tested is the one that read left.
  if (!musicSilent && audioLastError() == kAudioErrorNotPlaying) return 0;
  return 1;
}
