// The shell: opening documents and addresses with the desktop's default
// application, choosing a folder, and file operations on lists of paths.
// Tests replace the launcher and the folder chooser with hooks.
#pragma once

#include <functional>
#include <string>

#include "platform/forms/Messages.h"

enum : int { SW_SHOWNORMAL_SHELL = 1 };

/// ShellExecute(owner, "open", file, parameters, directory, show): "open"
/// hands a path or an address to the desktop's default application. Returns a
/// value > 32 on success (as the platform does), 2 (file not found) or 31 (no
/// application) on failure.
std::intptr_t ShellExecute(HWND owner, const std::string& operation, const std::string& file,
                           const std::string& parameters, const std::string& directory, int show);
/// Test hook: receives what would be opened (a URL or a local path) and
/// answers success.
void SetShellLauncher(std::function<bool(const std::string& target)> launcher);

/// A folder chooser starting at `start` (preselected when it exists); the
/// chosen folder or "" when cancelled. Only existing folders are accepted.
std::string BrowseForFolder(const std::string& caption, const std::string& start);
/// Test hook: answers the chooser (caption, start folder) -> folder or "".
void SetFolderChooser(
    std::function<std::string(const std::string& caption, const std::string& start)> chooser);

enum : UINT { FO_MOVE = 1, FO_COPY = 2, FO_DELETE = 3, FO_RENAME = 4 };
enum : std::uint16_t {
  FOF_SILENT = 0x0004,
  FOF_RENAMEONCOLLISION = 0x0008,
  FOF_NOCONFIRMATION = 0x0010,
  FOF_FILESONLY = 0x0080,
};
/// Moves, copies, deletes or renames the paths of `from` (several separated
/// by ';' or '|') to `to`. Returns 0 on success, else a non-zero error.
/// With FOF_RENAMEONCOLLISION an existing target gets "Copy of " names.
int SHFileOperation(UINT operation, const std::string& from, const std::string& to,
                    std::uint16_t flags);
