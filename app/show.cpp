#include "app/show.h"

#include "app/window.h"
#include "effects/swarm.h"
#include "platform/dialog.h"
#include "platform/sys.h"
#include "timeline/clock.h"
#include "timeline/director.h"

AudioStream musicStream = 0;

namespace {
// Pause between the window's creation and the start of the music, so that the
// first frames do not compete with the window system's own start-up work.
constexpr uint32_t kAudioStartDelayMs = 25;
constexpr uint32_t kOutputRateHz = 44100;
// The status when no window could be made, at start-up or in a toggle: the
// dialog has told the user, and a script that started the show must not read
// the run as a success.
constexpr int kStatusNoWindow = 1;

void showAudioError(const char* text) {
  dialogMessageBox(mainWindow, text, "BASS", kDialogOk);
}

// After any audio failure the show still runs, silent, on a clock of its own.
void runSilent(const char* text) {
  showAudioError(text);
  musicSilent = 1;
}
}  // namespace

void startMusic() {
  if (!audioStartDevice(kAudioDefaultDevice, kOutputRateHz, 0, mainWindow)) {
    runSilent("BASS error");
    return;
  }
  musicStream = audioOpenFile(0, kMusicFile, 0, 0, kAudioStreamPrescan);
  if (!musicStream) {
    runSilent("BASS error, file not found?");
    return;
  }
  if (!audioPlay(musicStream, 0)) runSilent("BASS error, can not play stream?");
}

int toggleFullscreen() {
  keys[kVkF1] = 0;
  killGLWindow();
  fullscreen = fullscreen ? 0 : 1;
  return createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, fullscreen);
}

int runShow() {
  if (dialogMessageBox(nullptr, "Would You Like to Run in FullScreen mode?", "Start Fullscreen?",
                       kDialogYesNo | kDialogIconQuestion) == kDialogAnswerNo)
    fullscreen = 0;
  if (!createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, fullscreen))
    return kStatusNoWindow;
  sysSleep(kAudioStartDelayMs);
  startMusic();
  initSwarm();

  WsMessage message{};
  int done = 0;
  while (!done) {
    if (wsPeekMessage(&message, nullptr, 0, 0, kPeekRemove)) {
      if (message.message == kMsgQuit) {
        done = 1;
      } else {
        wsTranslateMessage(&message);
        wsDispatchMessage(&message);
      }
      continue;
    }
    if (active) {
      if (keys[kVkEscape] || keys[kVkQ]) {
        done = 1;
      } else {
        if (!renderFrame()) done = 1;
        wsSwapBuffers(deviceContext);
      }
    }
    if (keys[kVkF1] && !toggleFullscreen()) return kStatusNoWindow;
  }

  audioRelease();
  killGLWindow();
  // The quit message carries the status the window posted (0). Escape, Q and
  // a finished frame end the loop on some other message, whose parameter means
  // nothing as a status; they end with 0 as well.
  return message.message == kMsgQuit ? static_cast<int>(message.wParam) : 0;
}
