// Message boxes in a browser: the text and caption shown on the page with an
// OK button. The page holds the show's frames back until the viewer has read
// it, as a desktop dialog does. A question cannot wait for its answer here:
// it is shown as a message and answered kDialogNone, as where no dialog can
// be shown (the start-up question is asked by the page itself).
#include <emscripten.h>

#include "platform/dialog.h"

namespace {
constexpr uint32_t kButtonMask = 0xF;
}  // namespace

EM_JS(void, jsShowMessage, (const char* text, const char* caption), {
  Module.page.showMessage(UTF8ToString(text), UTF8ToString(caption));
});

EM_JS(void, jsShowNotice, (const char* text), { Module.page.showNotice(UTF8ToString(text)); });

void dialogNotice(const char* text) { jsShowNotice(text ? text : ""); }

int dialogMessageBox(WsWindow*, const char* text, const char* caption, uint32_t type) {
  jsShowMessage(text ? text : "", caption ? caption : "");
  return (type & kButtonMask) == kDialogYesNo ? kDialogNone : kDialogAnswerOk;
}
