// The dialog boxes that stand in for a page's own dialogs: the windowing
// layer's message boxes, text prompt and file chooser (platform/forms Forms.h,
// Dialogs.h), so that their test answerers answer a page's dialogs too and an
// unattended run never blocks. Modal; the application's icon.
#pragma once

#include "platform/web/WebEngineHost.h"

#include <string>

namespace web {

/// Shows the page's dialog with the given caption and returns the answer:
/// an alert's OK, a confirm's OK or Cancel, a prompt's text, chosen files.
WebDialogAnswer ShowWebDialogBox(const WebDialogRequest& request, const std::string& caption);

} // namespace web
