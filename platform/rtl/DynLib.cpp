#include "platform/rtl/DynLib.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/Strings.h"

#include <cerrno>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <vector>

namespace {

thread_local std::string lastLoadError;

struct Aliases {
  std::mutex mutex;
  std::map<std::string, std::string> byName; // upper-case file name -> library
  std::string searchFolder;                  // searched first for "X.dll"
};

Aliases& aliases() {
  static Aliases a;
  return a;
}

std::string aliasKey(const std::string& name) {
  return UpperCase(ExtractFileName(name));
}

void fail(const char* text, int fallbackErrno) {
  lastLoadError = text ? text : "";
  SetLastError(fallbackErrno);
}

/// "X.dll" (any letter case of the extension, no folder) -> "libX.so"; ''
/// for other names.
std::string sharedObjectName(const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return {};
  if (name.size() <= 4 || UpperCase(name.substr(name.size() - 4)) != ".DLL") return {};
  return "lib" + name.substr(0, name.size() - 4) + ".so";
}

void* openFirst(const std::vector<std::string>& candidates) {
  for (const std::string& c : candidates) {
    if (c.find('/') != std::string::npos && !FileExists(c)) continue;
    if (void* h = ::dlopen(c.c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
  }
  return nullptr;
}

} // namespace

void SetLibrarySearchFolder(const std::string& folder) {
  auto& a = aliases();
  std::lock_guard<std::mutex> lock(a.mutex);
  a.searchFolder = folder;
}

std::string LibrarySearchFolder() {
  auto& a = aliases();
  std::lock_guard<std::mutex> lock(a.mutex);
  return a.searchFolder;
}

void RegisterLibraryAlias(const std::string& name, const std::string& library) {
  auto& a = aliases();
  std::lock_guard<std::mutex> lock(a.mutex);
  if (library.empty())
    a.byName.erase(aliasKey(name));
  else
    a.byName[aliasKey(name)] = library;
}

HMODULE LoadLibrary(const std::string& name) {
  if (name.empty()) {
    fail("empty library name", ENOENT);
    return nullptr;
  }
  std::string target = name;
  std::string folder;
  bool aliased = false;
  {
    auto& a = aliases();
    std::lock_guard<std::mutex> lock(a.mutex);
    const auto it = a.byName.find(aliasKey(name));
    if (it != a.byName.end()) target = it->second, aliased = true;
    folder = a.searchFolder;
  }
  if (target.find('/') != std::string::npos || target.find('\\') != std::string::npos)
    target = ExpandFileName(target);
  errno = 0;
  void* handle = nullptr;
  const std::string so = aliased ? std::string() : sharedObjectName(target);
  if (!so.empty()) {
    std::vector<std::string> candidates;
    if (!folder.empty()) candidates.push_back(IncludeTrailingPathDelimiter(folder) + so);
    const std::string exe = ExeName();
    if (!exe.empty()) candidates.push_back(ExtractFilePath(exe) + so);
    candidates.push_back(so);
    handle = openFirst(candidates);
  } else {
    handle = ::dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle == nullptr) {
    const int err = errno != 0 ? errno : ENOENT;
    const char* text = ::dlerror();
    fail((name + ": " + (text ? text : "not found")).c_str(), err);
  }
  return handle;
}

void* GetProcAddress(HMODULE module, const std::string& name) {
  if (module == nullptr) {
    fail("no library", EINVAL);
    return nullptr;
  }
  ::dlerror();
  void* symbol = ::dlsym(module, name.c_str());
  if (symbol == nullptr) fail(::dlerror(), ENOENT);
  return symbol;
}

bool FreeLibrary(HMODULE module) {
  if (module == nullptr) {
    fail("no library", EINVAL);
    return false;
  }
  if (::dlclose(module) != 0) {
    fail(::dlerror(), EINVAL);
    return false;
  }
  return true;
}

std::string LibraryLoadError() {
  return lastLoadError;
}
