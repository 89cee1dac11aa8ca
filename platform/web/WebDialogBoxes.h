// The dialog boxes that stand in for a page's own dialogs when the browser
// control shows them itself (with its own caption). Modal; the application's
// icon.
#pragma once

#include "platform/web/WebEngineHost.h"

#include <string>

namespace web {

/// Shows the page's dialog with the given caption and returns the answer:
/// an alert's OK, a confirm's OK or Cancel, a prompt's text, chosen files.
WebDialogAnswer ShowWebDialogBox(const WebDialogRequest& request, const std::string& caption);

} // namespace web
