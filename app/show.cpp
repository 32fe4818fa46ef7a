#include "app/show.h"

#include "app/frame_clock.h"
#include "app/player.h"
#include "app/seek.h"
#include "app/window.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "platform/dialog.h"
#include "platform/sys.h"
#include "timeline/director.h"

namespace {
// Pause between the window's creation and the start of the music, so that the
// first frames do not compete with the window system's own start-up work.
constexpr uint32_t kAudioStartDelayMs = 25;
constexpr uint32_t kOutputRateHz = 44100;

void showAudioError(const char* text) {
  dialogMessageBox(appWindow.mainWindow, text, "BASS", kDialogOk);
}

// After any audio failure the show still runs, silent, on a clock of its own.
void runSilent(const char* text) {
  showAudioError(text);
  musicSource.musicSilent = 1;
}

// The start at a later moment: the music opened but not played, the swarm
// placed again, then every frame before the moment run on the frame clock
// without drawing, and the music played from the moment. The last frame run
// stands before the moment and the first drawn one at or after it, so the
// clock and frameDeltaMs go on from there without a jump.
void startLate(int32_t atMs) {
  // A black window while the frames before the moment run.
  gfxClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  wsSwapBuffers(appWindow.deviceContext);
  const int opened = openMusic();
  initSwarm();
  const int64_t first = frameClockFrameAt(atMs, kFastForwardFramesPerSecond);
  // The way a jump goes, keeping the moments it passes; without a second
  // stream the frames run on the music's own.
  const int reached = seekStart() ? seekStateBefore(first)
                                  : fastForwardFrames(0, first, kFastForwardFramesPerSecond);
  if (opened) {
    if (!reached) {
      // The music ends before the moment: it stands at its end, and the
      // first frame ends the show.
      standMusicAtMs(atMs);
    } else if (standMusicAtMs(atMs)) {
      playMusic();
    } else {
      runSilent("BASS error, can not play stream?");
    }
  }
  // Read by the first frame when the show runs silent.
  musicSilentStandAt(atMs);
}

// What one run-ahead may take of a frame: a few ms, which a 60-fps frame
// has to spare, keep every moment of the show within its first seconds.
constexpr double kRunAheadBudgetMs = 3.0;

// Whether the loop should act on a key: held down now, or pressed since the
// loop last looked. Looking uses up the press.
int takeKey(int virtualKey) {
  const int hit = keys[virtualKey] || appWindow.keyPresses[virtualKey];
  appWindow.keyPresses[virtualKey] = 0;
  return hit;
}
}  // namespace

LoopHooks loopHooks = {nullptr, nullptr};

int openMusic() {
  if (!audioStartDevice(kAudioDefaultDevice, kOutputRateHz, 0, appWindow.mainWindow)) {
    runSilent("BASS error");
    return 0;
  }
  musicSource.musicStream = audioOpenFile(0, kMusicFile, 0, 0, kAudioStreamPrescan);
  if (!musicSource.musicStream) {
    runSilent("BASS error, file not found?");
    return 0;
  }
  return 1;
}

void playMusic() {
  if (!audioPlay(musicSource.musicStream, 0)) runSilent("BASS error, can not play stream?");
}

void startMusic() {
  if (openMusic()) playMusic();
}

int toggleFullscreen() {
  keys[kVkF1] = 0;
  killGLWindow();
  appWindow.fullscreen = appWindow.fullscreen ? 0 : 1;
  return createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, appWindow.fullscreen);
}

int startShow(const ShowStart& start) {
  musicSource.offsetMs = start.audioOffsetMs;
  const int answer =
      start.answer != kAskStartQuestion
          ? start.answer
          : dialogMessageBox(nullptr, kStartQuestion, kStartCaption,
                             kDialogYesNo | kDialogIconQuestion);
  return startShowAnswered(answer, start.atMs);
}

int startShowAnswered(int answer, int32_t atMs) {
  if (answer == kDialogAnswerNo) appWindow.fullscreen = 0;
  if (!createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, appWindow.fullscreen))
    return 0;
  sysSleep(kAudioStartDelayMs);
  resetPlayer();
  if (atMs <= 0) {
    startMusic();
    initSwarm();
    seekStart();
    return 1;
  }
  startLate(atMs);
  return 1;
}

LoopPass runMainLoopPass(MainLoop* loop) {
  if (wsPeekMessage(&loop->message, nullptr, 0, 0, kPeekRemove)) {
    if (loop->message.message == kMsgQuit) {
      loop->done = 1;
    } else {
      wsTranslateMessage(&loop->message);
      wsDispatchMessage(&loop->message);
    }
    return loop->done ? LoopPass::Done : LoopPass::GoOn;
  }
  if (appWindow.active) {
    // Both keys are looked at, so neither press outlives this pass.
    const int escape = takeKey(kVkEscape);
    const int q = takeKey(kVkQ);
    if (escape || q) {
      loop->done = 1;
    } else {
      // A jump draws the frame it lands on itself.
      const int drawn = (loopHooks.beforeFrame && loopHooks.beforeFrame()) || playerTakeKeys();
      if (!drawn && !playerDrawFrame()) loop->done = 1;
      playerDrawLine();
      if (loopHooks.drawOver) loopHooks.drawOver();
      wsSwapBuffers(appWindow.deviceContext);
      seekRunAhead(kRunAheadBudgetMs);
    }
  } else {
    // The quit keys do nothing while the window is minimised; a press made
    // then must not end the show the moment the window comes back.
    appWindow.keyPresses[kVkEscape] = 0;
    appWindow.keyPresses[kVkQ] = 0;
  }
  if (takeKey(kVkF1) && !toggleFullscreen()) return LoopPass::NoWindow;
  return loop->done ? LoopPass::Done : LoopPass::GoOn;
}

int stopShow(const MainLoop& loop) {
  seekStop();
  audioRelease();
  killGLWindow();
  // The quit message carries the status the window posted (0). Escape, Q and
  // a finished frame end the loop on some other message, whose parameter means
  // nothing as a status; they end with 0 as well.
  return loop.message.message == kMsgQuit ? static_cast<int>(loop.message.wParam) : 0;
}

int runShow(const ShowStart& start) {
  if (!startShow(start)) return kStatusNoWindow;
  MainLoop loop;
  LoopPass pass;
  do {
    pass = runMainLoopPass(&loop);
  } while (pass == LoopPass::GoOn);
  if (pass == LoopPass::NoWindow) return kStatusNoWindow;
  return stopShow(loop);
}
