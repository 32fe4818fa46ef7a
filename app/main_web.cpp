// vantorel in a browser: the same show as on the desktop, run by the page one
// pass of the main loop per animation frame.
//
// The page fetches the show's files into the working directory, asks the
// start-up question with its own overlay, and then calls the show once per
// animation frame until it is over. In test mode (?frame=N,...&fps=F) it
// draws the frames asked for on the capture tool's frame clock instead: frame
// n stands the music at sample floor(n * rate / F), and every frame before it
// runs its updates without drawing, so frame n is what the capture draws.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/frame_clock.h"
#include "app/player.h"
#include "app/show.h"
#include "app/window.h"
#include "assets/glyphs.h"
#include "assets/textures.h"
#include "music/clock.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/page.h"
#include "platform/window_system.h"
#include "timeline/moments.h"
#include "timeline/show_state.h"

namespace {
// The most frames one test page draws.
constexpr int kMaxTestFrames = 32;
// Frames run without drawing per animation frame while a test fast-forwards:
// enough to reach the end of the show in well under a minute, few enough that
// the page stays responsive.
constexpr int kFastForwardPerAnimationFrame = 200;

struct TestRun {
  int64_t frames[kMaxTestFrames] = {};
  int count = 0;
  int next = 0;  // the next entry of `frames` to draw
  int framesPerSecond = 0;
  int64_t frame = 0;  // the next frame to run
  bool ended = false;  // a frame reported the show's end
};
TestRun test;

// Passes of the main loop one animation frame may run: every message waiting
// (a few at most), then the one that draws.
constexpr int kMostPassesPerFrame = 64;

MainLoop loop;

// A jump the seek bar asked for, made at the next animation frame; -1: none.
int32_t pendingJumpMs = -1;

// One animation frame of the show: passes until one has presented a frame.
int showFrame() {
  if (pendingJumpMs >= 0) {
    playerJumpTo(pendingJumpMs);
    pendingJumpMs = -1;
  }
  const uint64_t presented = pageFramesPresented();
  for (int i = 0; i < kMostPassesPerFrame && pageFramesPresented() == presented; ++i) {
    const LoopPass pass = runMainLoopPass(&loop);
    if (pass == LoopPass::GoOn) continue;
    if (pass == LoopPass::Done) stopShow(loop);
    pageShowEnd();
    return 0;
  }
  pageShowPosition(playerNowMs(), player.paused);
  return 1;
}

void dispatchMessages() {
  WsMessage message{};
  while (wsPeekMessage(&message, nullptr, 0, 0, kPeekRemove)) {
    if (message.message == kMsgQuit) continue;
    wsTranslateMessage(&message);
    wsDispatchMessage(&message);
  }
}

// One animation frame of a test: runs frames without drawing until the next
// frame asked for, draws it and hands it to the page.
int testFrame() {
  dispatchMessages();
  for (int step = 0; step < kFastForwardPerAnimationFrame && test.next < test.count; ++step) {
    const int64_t frame = test.frame++;
    const bool drawn = frame == test.frames[test.next];
    // A frame past the show's end reports it and is never drawn, as in the
    // capture: the test ends there.
    if (!runClockFrame(frame, test.framesPerSecond, drawn)) {
      test.ended = true;
      break;
    }
    if (drawn) {
      wsSwapBuffers(appWindow.deviceContext);
      pagePublishFrame(frame);
      ++test.next;
      break;
    }
  }
  if (test.next < test.count && !test.ended) return 1;
  pageShowEnd();
  return 0;
}

void startAnswered(int answer) {
  // An address with #t= starts there, as the desktop's --start does, and one
  // with ?offset= moves the picture against the sound, as --audio-offset.
  musicSource.offsetMs = pageAudioOffsetMs(kMostAudioOffsetMs);
  if (!startShowAnswered(answer, pageStartMs(showEndsAtMs()))) {
    pageShowEnd();
    return;
  }
  pageSetControls({playerSetPaused, [](int32_t ms) { pendingJumpMs = ms; }});
  pageRunFrames(showFrame);
}

// Decoding the music takes a second or more: done while the viewer reads
// the question, the click starts the show at once.
void prepareMusic() { pagePrepareMusic(kMusicFile); }

void askTheQuestion() { pageAskStart(kStartQuestion, kStartCaption, prepareMusic, startAnswered); }

// "Play again": everything the show keeps back to where a fresh page has it,
// then the question anew. The files stay fetched.
void playAgain() {
  resetShowState();
  resetPlayer();
  resetMusicSource();
  std::memset(keys, 0, sizeof keys);
  loop = MainLoop{};
  pendingJumpMs = -1;
  askTheQuestion();
}

// The scenes for the page's seek bar: every one but the end.
void setScenes() {
  static const char* names[kSceneCount];
  static int32_t starts[kSceneCount];
  const int count = kSceneCount - 1;
  for (int i = 0; i < count; ++i) {
    names[i] = momentName(playedMoments().scenes[i].name);
    starts[i] = i == 0 ? 0 : playedMoments().scenes[i].lo + 1;
  }
  pageSetScenes(names, starts, count, showEndsAtMs());
}

void filesFetched() {
  test.count = pageTestFrames(test.frames, kMaxTestFrames, &test.framesPerSecond);
  setScenes();
  pageSetPlayAgain(playAgain);
  if (test.count == 0) {
    askTheQuestion();
    return;
  }
  // A test page needs no sound and no click: a window, and the music
  // decoded, standing wherever the frame clock puts it.
  pageUseManualClock();
  if (!startShowAnswered(kDialogAnswerNo) || !musicSource.musicStream) {
    std::printf("test: the show could not start (no window or no music)\n");
    pageShowEnd();
    return;
  }
  pageRunFrames(testFrame);
}
}  // namespace

int main() {
  // The pictures of every slot, the glyphs of the viewer's line, then the
  // music.
  static const char* names[kTextureSlots + 2];
  int count = 0;
  for (int slot = 0; slot < kTextureSlots; ++slot) {
    if (textureFileName(slot)) names[count++] = textureFileName(slot);
  }
  names[count++] = kGlyphsFile;
  names[count++] = kMusicFile;
  pageFetchFiles(names, count, filesFetched);
  return 0;
}
