#include "gis/core/GisDefsSystem.h"

#include <chrono>

#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"

namespace {
std::function<std::int32_t()>& TickSource() {
  static std::function<std::int32_t()> source;
  return source;
}
} // namespace

void GisSetTickCountSource(std::function<std::int32_t()> source) {
  TickSource() = std::move(source);
}

std::int32_t GisTickCount() {
  if (TickSource()) return TickSource()();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
  return static_cast<std::int32_t>(static_cast<std::uint64_t>(ms) % 0x7FFFFFFFu);
}

double GisFileAge(const std::string& fileName) {
  const double age = FileAge(fileName);
  return age < 0 ? 0.0 : age;
}

std::string GisLastOsErrorText() {
  return LastOsErrorText();
}
