// The clipboard format of icons: "Tarvex Icon", registered at start.
#pragma once

#include "platform/forms/Messages.h"

/// The format number (0 before the module starts).
UINT IconClipboardFormat();
void IconClipboardInit();
void IconClipboardDone();
