#include "platform/rtl/DynLib.h"

#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/Strings.h"

#include <cerrno>
#include <dlfcn.h>
#include <map>
#include <mutex>

namespace {

thread_local std::string lastLoadError;

struct Aliases {
  std::mutex mutex;
  std::map<std::string, std::string> byName; // upper-case file name -> library
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

} // namespace

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
  {
    auto& a = aliases();
    std::lock_guard<std::mutex> lock(a.mutex);
    const auto it = a.byName.find(aliasKey(name));
    if (it != a.byName.end()) target = it->second;
  }
  if (target.find('/') != std::string::npos || target.find('\\') != std::string::npos)
    target = ExpandFileName(target);
  errno = 0;
  void* handle = ::dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const int err = errno != 0 ? errno : ENOENT;
    fail(::dlerror(), err);
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
