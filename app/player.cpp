#include "app/player.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/frame_clock.h"
#include "app/seek.h"
#include "app/window.h"
#include "assets/glyphs.h"
#include "assets/png_loader.h"
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

// The glyph picture, loaded into the context of this window build.
GLuint glyphs = 0;
uint32_t glyphsForBuild = 0;

// The line's letters: 28 pixels tall on the show's 720 lines, half as wide
// (a glyph cell's shape), 24 pixels in from the upper left corner, clear of
// the title cards in the middle and of the page's control bar below.
constexpr double kLetterHeightPx = 28.0;
constexpr double kMarginPx = 24.0;
// Where the line is drawn: one unit in front of the eye, where the show's
// 45-degree view is 2 tan(22.5 degrees) units tall.
constexpr double kHalfViewAtOneUnit = 0.41421356237309503;
constexpr float kLineDepth = -1.0f;
constexpr int kLongestLine = 48;

int takePress(int virtualKey) {
  const int hit = appWindow.keyPresses[virtualKey];
  appWindow.keyPresses[virtualKey] = 0;
  return hit;
}

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
  return index <= 0 ? 0 : kScenes[index].lo + 1;
}

// Where a key sends the show from `now`, or -1 for a key that was not pressed.
int32_t jumpTarget(int32_t now) {
  const int scene = sceneAt(now);
  // The last scene is the show's end: nothing to land on.
  const int lastScene = kSceneCount - 2;
  int32_t target = -1;
  if (takePress(kVkRight)) target = now + kJumpStepMs;
  if (takePress(kVkLeft)) target = now - kJumpStepMs;
  if (takePress(kVkPageDown) && scene < lastScene) target = sceneStartMs(scene + 1);
  if (takePress(kVkPageUp)) {
    const bool nearItsStart = now - sceneStartMs(scene) < kSceneRestartMs;
    target = sceneStartMs(nearItsStart && scene > 0 ? scene - 1 : scene);
  }
  if (takePress(kVkHome)) target = 0;
  return target;
}

// Whether the glyph picture is loaded into the context in force.
bool glyphsReady() {
  if (glyphs && glyphsForBuild == appWindow.contextBuilds) return true;
  glyphsForBuild = appWindow.contextBuilds;
  glyphs = pictureBind(kGlyphsFile, kPictureNoMipmaps, kPictureAlphaFromFile, nullptr, GL_CLAMP,
                       GL_LINEAR, GL_LINEAR);
  return glyphs != 0;
}

// "1:33.5  Breakdown", with "  ||" while paused.
void lineText(char* out, size_t size) {
  const int32_t ms = player.lineMs < 0 ? 0 : player.lineMs;
  const Moment scene = kScenes[sceneAt(ms)].name;
  std::snprintf(out, size, "%d:%02d.%d  %s%s", ms / 60000, ms / 1000 % 60, ms / 100 % 10,
                momentName(scene), player.paused ? "  ||" : "");
}

void drawGlyph(char c, double left, double bottom, double width, double height) {
  const int cell = (c >= kGlyphFirst && c <= kGlyphLast ? c : '?') - kGlyphFirst;
  const double s0 = static_cast<double>(cell % kGlyphColumns) / kGlyphColumns;
  const double s1 = s0 + 1.0 / kGlyphColumns;
  const double t1 = 1.0 - static_cast<double>(cell / kGlyphColumns) / kGlyphRows;
  const double t0 = t1 - 1.0 / kGlyphRows;
  const float x0 = static_cast<float>(left), x1 = static_cast<float>(left + width);
  const float y0 = static_cast<float>(bottom), y1 = static_cast<float>(bottom + height);
  gfxBegin(GL_TRIANGLE_STRIP);
  gfxTexCoord2d(s0, t1);
  gfxVertex3f(x0, y1, kLineDepth);
  gfxTexCoord2d(s0, t0);
  gfxVertex3f(x0, y0, kLineDepth);
  gfxTexCoord2d(s1, t1);
  gfxVertex3f(x1, y1, kLineDepth);
  gfxTexCoord2d(s1, t0);
  gfxVertex3f(x1, y0, kLineDepth);
  gfxEnd();
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
  if (takePress(kVkP)) playerSetPaused(!player.paused);
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
  if (player.lineUntilMs == 0 || sysMonotonicMs() >= player.lineUntilMs || !glyphsReady()) return;
  char text[kLongestLine];
  lineText(text, sizeof text);
  const double unitsPerPx = 2.0 * kHalfViewAtOneUnit / kWindowHeight;
  const double halfWidth = kHalfViewAtOneUnit * kWindowWidth / kWindowHeight;
  const double height = kLetterHeightPx * unitsPerPx;
  const double width = height * kGlyphCellWidth / kGlyphCellHeight;
  const double bottom = kHalfViewAtOneUnit - (kMarginPx + kLetterHeightPx) * unitsPerPx;
  double left = -halfWidth + kMarginPx * unitsPerPx;
  gfxLoadIdentity();
  gfxDisable(GL_DEPTH_TEST);
  gfxEnable(GL_TEXTURE_2D);
  gfxBindTexture(GL_TEXTURE_2D, glyphs);
  gfxColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  for (const char* c = text; *c; ++c, left += width) drawGlyph(*c, left, bottom, width, height);
  // As the frame left it: texturing off, the depth test on.
  gfxDisable(GL_TEXTURE_2D);
  gfxEnable(GL_DEPTH_TEST);
}
