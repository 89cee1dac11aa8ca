#include "formstate/IconClipboard.h"

#include "platform/forms/Clipboard.h"
#include "platform/graphics/Icon.h"

namespace {
UINT format = 0;
}

UINT IconClipboardFormat() {
  return format;
}

void IconClipboardInit() {
  if (format != 0) return;
  format = RegisterClipboardFormat("Tarvex Icon");
  // Pictures pasted in this format are icons.
  RegisterIconFormat();
  TPicture::RegisterClipboardFormat(ClipboardFormatMime(format), "TIcon",
                                    [] { return std::make_unique<TIcon>(); });
}

void IconClipboardDone() {
  format = 0;
}
