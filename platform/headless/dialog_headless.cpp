// Dialogs without a display: the text goes to standard error and nobody
// answers.
#include <cstdio>

#include "platform/dialog.h"

void dialogNotice(const char* text) { std::fprintf(stderr, "vantorel: %s\n", text ? text : ""); }

int dialogMessageBox(WsWindow*, const char* text, const char* caption, uint32_t) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return kDialogNone;
}
