#include "platform/rtl/OsError.h"

#include "platform/rtl/Strings.h"

#include <cerrno>
#include <cstring>

namespace {
thread_local int lastError = 0;
} // namespace

int GetLastError() noexcept {
  return lastError;
}

void SetLastError(int code) noexcept {
  lastError = code;
}

int CaptureOsError() noexcept {
  lastError = errno;
  return lastError;
}

std::string SysErrorMessage(int code) {
  char buf[256];
  // The GNU strerror_r returns a pointer that may or may not be `buf`.
  const char* text = strerror_r(code, buf, sizeof buf);
  return text ? std::string(text) : std::string();
}

std::string OsErrorText(int code) {
  return SysErrorMessage(code) + " (errno " + IntToStr(code) + ")";
}

std::string LastOsErrorText() {
  return OsErrorText(lastError);
}
