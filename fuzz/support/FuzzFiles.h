// Harnesses of readers of file sets unpack their input into files of one
// private folder on a memory file system, made once per process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include <stdlib.h>
#include <unistd.h>

namespace skfuzz {

/// The folder (with a trailing '/'), made on first use under /dev/shm.
inline const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/dev/shm/fuzz-files-XXXXXX";
    char* made = ::mkdtemp(pattern);
    return std::string(made != nullptr ? made : "/tmp") + "/";
  }();
  return folder;
}

/// Writes `size` bytes as the file `name` of the folder.
inline void Put(const std::string& name, const std::uint8_t* data, std::size_t size) {
  if (FILE* f = std::fopen((Folder() + name).c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

/// Removes the file `name` of the folder.
inline void Remove(const std::string& name) {
  ::unlink((Folder() + name).c_str());
}

/// A little-endian 32-bit length at `p`.
inline std::size_t Length(const std::uint8_t* p) {
  return std::size_t(p[0]) | (std::size_t(p[1]) << 8) | (std::size_t(p[2]) << 16) |
         (std::size_t(p[3]) << 24);
}

} // namespace skfuzz
