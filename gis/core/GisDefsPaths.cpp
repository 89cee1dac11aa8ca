#include "gis/core/GisDefsPaths.h"

#include <cstdlib>

#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool IsNotAPath(const std::string& text) {
  return text.find("://") != std::string::npos || text.find('\r') != std::string::npos;
}

// Index of the extension's '.' in the last component, or npos.
std::size_t ExtensionDot(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == '.') return i;
    if (IsSeparator(path[i])) break;
  }
  return std::string::npos;
}

bool IsAbsolute(const std::string& name) {
  return !name.empty() && IsSeparator(name[0]);
}

} // namespace

std::string GisPathWithoutExt(const std::string& path) {
  std::string s = Trim(path);
  const std::size_t dot = ExtensionDot(s);
  if (dot != std::string::npos) s.erase(dot);
  return s;
}

std::string GisFileNameWithoutExt(const std::string& path) {
  const std::string s = Trim(path);
  std::size_t start = 0;
  for (std::size_t i = s.size(); i-- > 0;) {
    if (IsSeparator(s[i])) {
      start = i + 1;
      break;
    }
  }
  return GisPathWithoutExt(s.substr(start));
}

std::string GisBackupFileName(const std::string& name) {
  const std::string trimmed = Trim(name);
  const std::size_t dot = ExtensionDot(trimmed);
  if (dot == std::string::npos) return name + ".~";
  return GisPathWithoutExt(trimmed) + ".~" + trimmed.substr(dot + 1);
}

std::string GisTempFileName(const std::string& name) {
  return name + "~tmp";
}

std::string GisPathAbsolute(const std::string& baseFolder, const std::string& name) {
  if (IsNotAPath(name)) return name;
  if (name.empty()) return std::string();
  if (IsAbsolute(name) || baseFolder.empty() || !DirectoryExists(baseFolder))
    return ExpandFileName(name);
  return ExpandFileName(IncludeTrailingPathDelimiter(ExpandFileName(baseFolder)) + name);
}

std::string GisPathRelative(const std::string& base, const std::string& path) {
  if (IsNotAPath(path) || path.empty()) return path;
  const std::string b = GisPathAbsolute(std::string(), base);
  const std::string p = GisPathAbsolute(std::string(), path);
  const std::size_t common = [&] {
    std::size_t n = 0;
    while (n < b.size() && n < p.size() && b[n] == p[n])
      ++n;
    return n;
  }();
  std::size_t cut = 0;
  for (std::size_t i = 0; i < common; ++i)
    if (b[i] == '/') cut = i + 1;
  std::string prefix;
  for (std::size_t i = cut; i < b.size(); ++i)
    if (b[i] == '/') prefix += "../";
  return prefix + p.substr(cut);
}

std::string GisCommonFilesDir() {
  const char* dir = std::getenv("CommonFilesDir");
  return std::string(dir ? dir : "") + "/Vornakel";
}
