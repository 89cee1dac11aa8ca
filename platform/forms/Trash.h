// Moving files and folders to the desktop's trash (deleting with undo).
#pragma once

#include <string>

/// True when the item went to the trash; false (nothing changed) otherwise.
bool MoveToTrash(const std::string& path);
