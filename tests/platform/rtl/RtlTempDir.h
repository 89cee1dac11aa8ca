// A fresh temporary folder per test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class RtlTempDir {
public:
  RtlTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/sk-rtl-XXXXXX";
    path_ = ::mkdtemp(templ.data());
  }
  ~RtlTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  RtlTempDir(const RtlTempDir&) = delete;
  RtlTempDir& operator=(const RtlTempDir&) = delete;

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
