// Files dropped from the desktop onto a window: a window that accepts files
// gets WM_DROPFILES with a drop handle (WParam) for every drop of local
// files; DragQueryFile reads the names, DragFinish releases the handle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"

using HDROP = std::uintptr_t;

/// Lets the control's window take dropped files (or stops it).
void DragAcceptFiles(TWinControl* control, bool accept);
/// Index 0xFFFFFFFF: the number of names; otherwise the name at the index
/// (its full length; nothing is cut).
UINT DragQueryFile(HDROP drop, UINT index, std::string* name);
void DragFinish(HDROP drop);
/// Delivers a drop of these paths as the desktop would (tests, and the Qt
/// drop handler). False when the window does not take files.
bool DeliverDroppedFiles(TWinControl* control, const std::vector<std::string>& paths);
/// Drop handles not yet finished (tests).
int OpenDropCount();
