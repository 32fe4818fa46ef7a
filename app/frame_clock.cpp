#include "app/frame_clock.h"

#include "effects/mesh.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "platform/audio.h"
#include "timeline/director.h"

namespace {
constexpr int64_t kMsPerSecond = 1000;
constexpr uint64_t kBytesPerSample = 2;

// Stands the music at a sample; past the music, at its end, where it has
// played out.
int standAt(const AudioStreamInfo& info, uint64_t sample) {
  if (sample > info.frames) sample = info.frames;
  return audioSetPosition(musicSource.musicStream, sample * kBytesPerSample * info.channels,
                          kAudioPositionBytes);
}

void standFrame(int64_t frame, int framesPerSecond) {
  if (musicSource.musicSilent) {
    musicSilentStandAt(static_cast<int32_t>(frame * kMsPerSecond / framesPerSecond));
    return;
  }
  AudioStreamInfo info;
  if (audioGetInfo(musicSource.musicStream, &info))
    standAt(info, frameClockSample(frame, info.rateHz, framesPerSecond));
}
}  // namespace

uint64_t frameClockSample(int64_t frame, uint32_t rateHz, int framesPerSecond) {
  return static_cast<uint64_t>(frame) * rateHz / static_cast<uint64_t>(framesPerSecond);
}

int64_t frameClockFrameAt(int64_t ms, int framesPerSecond) {
  return (ms * framesPerSecond + kMsPerSecond - 1) / kMsPerSecond;
}

int standMusicAtMs(int32_t ms) {
  AudioStreamInfo info;
  if (!audioGetInfo(musicSource.musicStream, &info)) return 0;
  return audioSetPosition(musicSource.musicStream, musicBytesForMs(ms), kAudioPositionBytes);
}

int runClockFrame(int64_t frame, int framesPerSecond, bool draw) {
  return runClockFrameWith(frame, framesPerSecond, draw ? &gfxDirect : &gfxStateOnly);
}

int runClockFrameWith(int64_t frame, int framesPerSecond, const GfxCalls* table) {
  standFrame(frame, framesPerSecond);
  gfx = table;
  // A frame nobody sees leaves the mesh's drawing-only work for later.
  meshPostponeWork(table == &gfxDiscard || table == &gfxStateOnly);
  const int32_t wasStood = musicSource.stood;
  musicSource.stood = 1;
  const int goesOn = renderFrame();
  musicSource.stood = wasStood;
  meshPostponeWork(false);
  gfx = &gfxDirect;
  return goesOn;
}

int fastForwardFrames(int64_t first, int64_t end, int framesPerSecond) {
  for (int64_t frame = first; frame < end; ++frame) {
    if (!runClockFrame(frame, framesPerSecond, false)) return 0;
  }
  return 1;
}
