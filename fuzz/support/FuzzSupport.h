// What the harnesses share: the input as text, and a scratch file for readers
// that open files by name.
//
// A scratch file lives in a folder of this process (in /dev/shm when there is
// one, else in TMPDIR or /tmp), is rewritten for every input and is removed
// with its folder when the process ends normally.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/rtl/Strings.h"

namespace skfuzz {

inline std::string Text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

/// A harness's own check: when `holds` is false the input is a fault (the
/// process ends with `what` on stderr, as a sanitizer report ends it).
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz: check failed: %s\n", what);
  std::abort();
}

/// The folder of this process's scratch files, made on first use.
inline const std::string& ScratchFolder() {
  // Never freed: the exit handler below still needs it.
  static const std::string* folder = [] {
    namespace fs = std::filesystem;
    std::string base = "/dev/shm";
    if (!fs::is_directory(base)) {
      const char* tmp = std::getenv("TMPDIR");
      base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    auto* f = new std::string(base + "/sk-fuzz-" + IntToStr(::getpid()));
    fs::create_directories(*f);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return f;
  }();
  return *folder;
}

/// The path of scratch file `name` (no file is made).
inline std::string ScratchPath(const std::string& name) {
  return ScratchFolder() + "/" + name;
}

/// Writes `size` bytes into scratch file `name` and returns its path.
inline std::string WriteScratch(const std::string& name, const void* data, std::size_t size) {
  const std::string path = ScratchPath(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}

/// Removes scratch file `name` when it exists.
inline void RemoveScratch(const std::string& name) {
  std::error_code ignored;
  std::filesystem::remove(ScratchPath(name), ignored);
}

} // namespace skfuzz
