// A fresh temporary folder for a test (under $TMPDIR, else /tmp), removed
// with everything in it when the object goes. Every test that needs files of
// its own makes them here.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <stdlib.h>

namespace sktest {

class TTempDir {
public:
  /// `prefix` names the folder ("sk-<prefix>-XXXXXX") so that leftovers show
  /// which test made them.
  explicit TTempDir(const std::string& prefix = "test") {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/sk-" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a temporary folder from " + pattern);
    path_ = pattern;
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return path_; }
  /// The full name of `name` inside the folder.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  /// Writes `bytes` to `name` (relative to the folder) and returns its full name.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string full = *this / name;
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
  }

  /// The bytes of `fullName` ('' when it cannot be read).
  static std::string Read(const std::string& fullName) {
    std::ifstream in(fullName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  std::string path_;
};

} // namespace sktest
