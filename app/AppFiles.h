// The program's files: its folder and the replacing writes of the page, the
// capture images, the world file and the description files.
#pragma once

#include <functional>
#include <string>

/// The folder of the executable with a trailing "/" (every file of the
/// program lives there).
std::string ApplicationFolder();
/// Tests: the executable's path the folder is taken from ('' for the real one).
void SetExeNameForTests(const std::string& exeName);

/// Lets `write` write the new contents to a temporary file beside
/// `fileName`, then replaces the file with it: a failed write leaves the old
/// file as it was. Raises on failure; an error of the write names
/// `fileName`, not the temporary file.
void SaveFileReplacing(const std::string& fileName,
                       const std::function<void(const std::string& temporary)>& write);
/// SaveFileReplacing with the bytes of `text`.
void SaveTextReplacing(const std::string& fileName, const std::string& text);
