// Running a command-line tool from a test (oracles, samples).
#pragma once

#include <cstdio>
#include <string>

namespace sktest {

/// Runs a shell command; what it writes to standard output (redirect in the
/// command to keep standard error too).
inline std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
    out.append(buf, n);
  ::pclose(p);
  return out;
}

/// Runs a shell command; its standard output (standard error is dropped).
inline std::string RunTool(const std::string& command) {
  return RunCommand(command + " 2>/dev/null");
}

/// Whether the tool is on the path.
inline bool HasTool(const std::string& name) {
  return !RunTool("command -v " + name).empty();
}

} // namespace sktest
