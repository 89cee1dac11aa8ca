#include "platform/rtl/SystemVersion.h"

#include "platform/rtl/Strings.h"

std::uint32_t GetVersion() {
  return 5u | (1u << 8);
}

int Win32Platform() {
  return VER_PLATFORM_WIN32_NT;
}

int SystemLibraryMajorVersion(const std::string& library) {
  return SameText(library, "COMCTL32.DLL") ? 5 : 0;
}
