#include "app/player.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/frame_clock.h"
#include "app/overlay.h"
#include "app/seek.h"
#include "app/window.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "platform/audio.h"
#include "platform/sys.h"
#include "timeline/moments.h"
#include "timeline/show_state.h"

PlayerState player;

namespace {
// The state before the frame on screen: drawn again from it while paused.
std::unique_ptr<ShowState> held;

// The line's letters: 28 pixels tall on the show's 720 lines, half as wide
// (a glyph cell's shape), 24 pixels in from the upper left corner, clear of
// the title cards in the middle and of the page's control bar below.
constexpr double kLetterHeightPx = 28.0;
constexpr double kMarginPx = 24.0;
constexpr int kLongestLine = 48;

void keepHeld() {
  if (!held) held = std::make_unique<ShowState>();
  copyShowState(held.get());
  player.heldForBuild = appWindow.contextBuilds;
}

void showLine(int32_t ms) {
  player.lineMs = ms;
  player.lineUntilMs = sysMonotonicMs() + kLineShowsMs;
}

// The first ms of scene `index`: just after its lo; the first scene's is 0.
int32_t sceneStartMs(int index) {
  return index <= 0 ? 0 : playedMoments().scenes[index].lo + 1;
}

// Where a key sends the show from `now`, or -1 for a key that was not pressed.
int32_t jumpTarget(int32_t now) {
  const int scene = sceneAt(now);
  // The last scene is the show's end: nothing to land on.
  const int lastScene = kSceneCount - 2;
  int32_t target = -1;
  if (takeKeyPress(kVkRight)) target = now + kJumpStepMs;
  if (takeKeyPress(kVkLeft)) target = now - kJumpStepMs;
  if (takeKeyPress(kVkPageDown) && scene < lastScene) target = sceneStartMs(scene + 1);
  if (takeKeyPress(kVkPageUp)) {
    const bool nearItsStart = now - sceneStartMs(scene) < kSceneRestartMs;
    target = sceneStartMs(nearItsStart && scene > 0 ? scene - 1 : scene);
  }
  if (takeKeyPress(kVkHome)) target = 0;
  return target;
}

// "1:33.5  Breakdown", with "  ||" while paused.
void lineText(char* out, size_t size) {
  const int32_t ms = player.lineMs < 0 ? 0 : player.lineMs;
  const Moment scene = playedMoments().scenes[sceneAt(ms)].name;
  std::snprintf(out, size, "%d:%02d.%d  %s%s", ms / 60000, ms / 1000 % 60, ms / 100 % 10,
                momentName(scene), player.paused ? "  ||" : "");
}

}  // namespace

void resetPlayer() { player = PlayerState{}; }

int32_t playerNowMs() { return player.paused ? player.pausedMs : musicClock.musicTimeMs; }

void playerSetPaused(int paused) {
  if ((paused != 0) == (player.paused != 0)) return;
  player.paused = paused ? 1 : 0;
  musicSource.viewerHolds = player.paused;
  if (paused) {
    // The music stands where the frame on screen read its clock.
    player.pausedMs = musicClock.musicTimeMs;
    player.pausedBytes = musicSource.readBytes;
    if (!musicSource.musicSilent && musicSource.musicStream) {
      audioPause(musicSource.musicStream);
      audioSetPosition(musicSource.musicStream, player.pausedBytes, kAudioPositionBytes);
    } else if (musicSource.soundLost && musicSource.musicStream) {
      // The lost sound's stream may still be queued on an output that
      // could start at any moment: it goes quiet with the picture.
      audioPause(musicSource.musicStream);
    }
  } else if (musicSource.musicSilent) {
    musicSilentStandAt(player.pausedMs);
  } else if (musicSource.musicStream) {
    audioPlay(musicSource.musicStream, 0);
  }
  showLine(playerNowMs());
}

int playerJumpTo(int32_t ms) {
  if (!seekReady()) return 0;
  const int32_t last = showEndsAtMs() - 1;
  if (ms < 0) ms = 0;
  if (ms > last) ms = last;
  const int64_t frame = frameClockFrameAt(ms, kSeekFramesPerSecond);
  if (!seekStateBefore(frame)) return 0;
  keepHeld();
  // The frame itself on the music heard: the stream stands at its sample and
  // plays on from there unless paused.
  runClockFrame(frame, kSeekFramesPerSecond, true);
  // The sound heard moved by the viewer's offset against the picture.
  if (musicSource.offsetMs != 0 && !musicSource.musicSilent && musicSource.musicStream) {
    audioSetPosition(musicSource.musicStream, musicBytesForMs(musicClock.musicTimeMs),
                     kAudioPositionBytes);
    musicSource.readBytes = musicBytesForMs(musicClock.musicTimeMs);
  }
  player.pausedMs = musicClock.musicTimeMs;
  player.pausedBytes = musicSource.readBytes;
  showLine(musicClock.musicTimeMs);
  return 1;
}

int playerTakeKeys() {
  if (takeKeyPress(kVkP)) playerSetPaused(!player.paused);
  const int32_t target = jumpTarget(playerNowMs());
  return target >= 0 && playerJumpTo(target);
}

int playerDrawFrame() {
  if (!player.paused) {
    const int32_t last = musicClock.musicTimeMs;
    const int32_t now = musicPeekMs();
    if (now - last > kGapMs && seekReady()) {
      seekRunUnseen(frameClockFrameAt(last + 1, kSeekFramesPerSecond),
                    frameClockFrameAt(now, kSeekFramesPerSecond));
    }
    keepHeld();
    return renderFrame();
  }
  // A toggle while paused has made the window anew, and the state with it.
  if (!held || player.heldForBuild != appWindow.contextBuilds) keepHeld();
  putShowStateBack(*held);
  if (musicSource.musicSilent) musicSilentStandAt(player.pausedMs);
  return renderFrame();
}

void playerDrawLine() {
  if (player.lineUntilMs == 0 || sysMonotonicMs() >= player.lineUntilMs || !overlayBegin()) return;
  char text[kLongestLine];
  lineText(text, sizeof text);
  overlayText(text, kMarginPx, kMarginPx, kLetterHeightPx, 1.0f, 1.0f, 1.0f);
  overlayEnd();
}
