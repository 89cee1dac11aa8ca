// The system's version as programs ask for it. Here it is always a Windows
// NT 5.1 (the family and version the controls were written for) with the
// common controls of major version 5, so that no control takes a visual-
// styles path.
#pragma once

#include <cstdint>
#include <string>

enum : int { VER_PLATFORM_WIN32_NT = 2 };

/// Major version in the low byte, minor in the next; the high bit clear for
/// the NT family.
std::uint32_t GetVersion();
/// The platform identifier (VER_PLATFORM_WIN32_NT).
int Win32Platform();
/// The major number of a system library's file version: 5 for
/// "COMCTL32.DLL" (letter case ignored), 0 for any other.
int SystemLibraryMajorVersion(const std::string& library);
