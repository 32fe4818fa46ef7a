// Dialogs through SDL's message boxes; standard error where none can be shown.
#include <cstdio>
#include <cstdlib>

#include "platform/dialog.h"
#include "platform/sdl/window_sdl_internal.h"

namespace {
constexpr uint32_t kButtonMask = 0xF;

// SDL's X11 message box runs in a child process of its own and, on a loaded
// machine, now and then fails before it shows anything. Where a display is
// there to show it on, try again a few times before giving up on the user.
constexpr int kShowAttempts = 3;
constexpr uint32_t kRetryPauseMs = 200;

bool showWithRetries(const SDL_MessageBoxData& data, bool haveDisplay, int* answer) {
  for (int attempt = 0; attempt < (haveDisplay ? kShowAttempts : 1); ++attempt) {
    if (attempt > 0) SDL_Delay(kRetryPauseMs);
    if (SDL_ShowMessageBox(&data, answer) == 0) return true;
  }
  return false;
}
constexpr uint32_t kIconMask = 0xF0;

uint32_t sdlIconFlags(uint32_t type) {
  switch (type & kIconMask) {
    case kDialogIconStop:
      return SDL_MESSAGEBOX_ERROR;
    case kDialogIconExclamation:
      return SDL_MESSAGEBOX_WARNING;
    default:
      return SDL_MESSAGEBOX_INFORMATION;
  }
}
}  // namespace

void dialogNotice(const char* text) { std::fprintf(stderr, "vantorel: %s\n", text ? text : ""); }

int dialogMessageBox(WsWindow* owner, const char* text, const char* caption, uint32_t type) {
  // Without a display, the line that says so comes before the dialog's text.
  const bool haveDisplay = sdlDisplayPresent();
  // Tests of the real program read what a dialog says from here: the text of
  // an X11 message box cannot be read back from outside.
  static const bool trace = std::getenv("VANTOREL_DIALOG_TRACE") != nullptr;
  if (trace) std::fprintf(stderr, "dialog: %s: %s\n", caption ? caption : "", text ? text : "");
  static const SDL_MessageBoxButtonData kYesNo[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kDialogAnswerYes, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kDialogAnswerNo, "No"},
  };
  static const SDL_MessageBoxButtonData kOk[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
       kDialogAnswerOk, "OK"},
  };
  const bool yesNo = (type & kButtonMask) == kDialogYesNo;
  SDL_MessageBoxData data{};
  data.flags = sdlIconFlags(type);
  data.window = sdlWindowOf(owner);
  data.title = caption;
  data.message = text;
  data.numbuttons = yesNo ? 2 : 1;
  data.buttons = yesNo ? kYesNo : kOk;
  int answer = kDialogNone;
  if (!showWithRetries(data, haveDisplay, &answer)) {
    std::fprintf(stderr, "%s: %s\n(no dialog could be shown: %s)\n", caption ? caption : "",
                 text ? text : "", SDL_GetError());
    return kDialogNone;
  }
  // Closing the dialog without a button answers -1; that is no answer at all.
  return answer < 0 ? kDialogNone : answer;
}
