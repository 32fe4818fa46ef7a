// Dialogs through SDL's message boxes; standard error where none can be shown.
#include <cstdio>
#include <cstdlib>

#include "platform/dialog.h"
#include "platform/window_sdl_internal.h"

namespace {
constexpr uint32_t kButtonMask = 0xF;
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

int dialogMessageBox(WsWindow* owner, const char* text, const char* caption, uint32_t type) {
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
  if (SDL_ShowMessageBox(&data, &answer) < 0) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return kDialogNone;
  }
  // Closing the dialog without a button answers -1; that is no answer at all.
  return answer < 0 ? kDialogNone : answer;
}
