// Message boxes: a text, a caption, a set of buttons and an icon, answered by
// the user. Where no dialog can be shown (no display), the text goes to
// standard error and the answer is kDialogNone, which is neither Yes nor No.
#pragma once

#include <cstdint>

struct WsWindow;

// Button sets and icons, combined in the type argument with their classic values.
enum : uint32_t {
  kDialogOk = 0x0,
  kDialogYesNo = 0x4,
  kDialogIconStop = 0x10,
  kDialogIconQuestion = 0x20,
  kDialogIconExclamation = 0x30,
  kDialogIconInformation = 0x40,
};

// Answers.
enum : int {
  kDialogNone = 0,
  kDialogAnswerOk = 1,
  kDialogAnswerYes = 6,
  kDialogAnswerNo = 7,
};

// A notice that does not stop the show: one line on standard error on the
// desktop, a line on the page in a browser. Shown once for each event it
// tells of, by the caller.
void dialogNotice(const char* text);

// Shows the dialog and waits for the answer. `owner` may be null. In a Yes/No
// dialog Return answers Yes and Escape answers No.
int dialogMessageBox(WsWindow* owner, const char* text, const char* caption, uint32_t type);
