#include "formstate/IconClipboard.h"

#include "platform/forms/Clipboard.h"

namespace {
UINT format = 0;
}

UINT IconClipboardFormat() {
  return format;
}

void IconClipboardInit() {
  if (format == 0) format = RegisterClipboardFormat("Tarvex Icon");
}

void IconClipboardDone() {
  format = 0;
}
