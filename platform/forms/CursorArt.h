// Cursors drawn by the program from rows of characters: '#' black,
// '.' white, anything else transparent. Implemented in Screen.cpp.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Messages.h"

/// A cursor for the screen's cursor table (TScreen::SetCursors).
HCURSOR CreateCursorFromRows(const std::vector<std::string>& rows, int hotX, int hotY);
