// Dynamic libraries over dlopen.
//
// The system loads a few libraries by their Windows names; a table of
// aliases maps such a name (the file-name part, letter case ignored) to the
// library that stands in for it on this platform. Names with a folder are
// resolved against the logical current folder; bare names are searched the
// usual way. A bare Windows name "X.dll" that no alias maps is looked up
// as "libX.so" in the library search folder (SetLibrarySearchFolder), then
// in the executable's folder, then on the system's path. Nothing here throws: failures give null or false, with the
// loader's text in LibraryLoadError() and an errno value in GetLastError().
#pragma once

#include <string>

using HMODULE = void*;

/// Loads a library (or takes one more reference to a loaded one); null on
/// failure.
HMODULE LoadLibrary(const std::string& name);
/// The address of an exported symbol; null when absent.
void* GetProcAddress(HMODULE module, const std::string& name);
/// Drops one reference; false on failure or for null.
bool FreeLibrary(HMODULE module);
/// The loader's message for this thread's last failure.
std::string LibraryLoadError();

/// Makes LoadLibrary(`name`) load `library` instead; an empty `library`
/// removes the alias.
void RegisterLibraryAlias(const std::string& name, const std::string& library);

/// The folder searched first for a bare "X.dll" (as "libX.so"); '' for none.
void SetLibrarySearchFolder(const std::string& folder);
std::string LibrarySearchFolder();
